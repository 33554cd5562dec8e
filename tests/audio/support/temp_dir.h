// A fresh folder for one test's files (under LUMA_TEST_TMP when set), removed with them.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace luma::test {

class TempDir {
  public:
    TempDir() {
        const char* base = std::getenv("LUMA_TEST_TMP");
        const std::filesystem::path root = base ? base : std::filesystem::temp_directory_path();
        std::filesystem::create_directories(root);
        std::random_device entropy;
        do {
            path_ = root / ("luma-" + std::to_string(entropy()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Writes `bytes` to the file `name` in it; returns the file's path.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(file(name), std::ios::binary | std::ios::trunc) << bytes;
        return file(name);
    }

  private:
    std::filesystem::path path_;
};

}  // namespace luma::test
