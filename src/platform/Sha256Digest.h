#pragma once

#include <array>
#include <string>

// The 32-byte SHA-256 digest of the bytes (OpenSSL on Linux, the system's CNG on Windows).
// Throws std::runtime_error when the algorithm is not available.
std::array<unsigned char, 32> Sha256Digest(const std::string& bytes);
