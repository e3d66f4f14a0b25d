#pragma once

#include <string>

// Writes bytes to a new, uniquely named file in folder that only its owner can read, and
// returns its path; empty when it could not be written whole (no partial file is left).
std::string WritePrivateTempFile(const std::string& folder, const std::string& bytes);

// Removes the file if there is one; an empty path does nothing.
void RemoveFileQuietly(const std::string& path);
