#include "support/ScopedTempFolder.h"

#include <filesystem>

ScopedTempFolder::ScopedTempFolder() : variable("TMPDIR", folder.path()) {}

std::vector<std::string> ScopedTempFolder::Files() const {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        files.push_back(entry.path().string());
    }
    return files;
}
