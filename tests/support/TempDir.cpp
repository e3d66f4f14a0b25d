#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    std::string pattern =
        std::filesystem::temp_directory_path().string() + "/tollivance-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool FileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937_64 generator(seed);
    std::string out(count, '\0');
    for (size_t i = 0; i < count; i += 8) {
        const auto value = generator();
        for (size_t j = 0; j < 8 && i + j < count; ++j) {
            out[i + j] = static_cast<char>((value >> (8 * j)) & 0xff);
        }
    }
    return out;
}
