#pragma once

#include <string>

// Lower-case hexadecimal SHA-256 of the bytes: 64 characters.
std::string Sha256Hex(const std::string& bytes);
