// A fresh folder for one test's files, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace luma::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes `bytes` to the file `name` in it; returns the file's path.
    std::string write(const std::string& name, const std::string& bytes) const;

  private:
    std::filesystem::path path_;
};

}  // namespace luma::test
