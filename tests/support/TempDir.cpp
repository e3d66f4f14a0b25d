#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    // A random name that did not exist: create_directory reports an existing folder as false.
    std::random_device seed;
    std::mt19937_64 generator(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << "tollivance-test-" << std::hex << generator();
        const std::filesystem::path candidate = base / name.str();
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            std::filesystem::permissions(candidate, std::filesystem::perms::owner_all, error);
            dir = candidate.string();
            return;
        }
    }
    throw std::runtime_error("Could not create a temporary folder in " + base.string());
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
