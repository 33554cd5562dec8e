#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <system_error>

namespace luma::test {

TempDir::TempDir() {
    const char* base = std::getenv("LUMA_TEST_TMP");
    std::filesystem::path root = base ? base : std::filesystem::temp_directory_path();
    std::filesystem::create_directories(root);
    std::random_device entropy;
    for (;;) {
        path_ = root / ("luma-" + std::to_string(entropy()));
        if (std::filesystem::create_directory(path_)) break;
    }
}

std::string TempDir::write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary | std::ios::trunc) << bytes;
    return file(name);
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace luma::test
