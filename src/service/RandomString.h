#pragma once

#include <cstddef>
#include <string>

// The characters RandomString draws from, 62 in this order.
inline constexpr const char* kRandomStringAlphabet =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

// length characters drawn uniformly from the alphabet, with an engine of the calling thread
// seeded from std::random_device on its first use.
std::string RandomString(std::size_t length);
