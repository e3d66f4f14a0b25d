#pragma once

#include <cstddef>
#include <string>

// A name the print server chose, made fit to show: valid UTF-8 (a byte that is not becomes
// "?"), no control or direction-changing characters (each becomes "?"), and at most
// most_characters characters, the last of a longer name being "…".
std::string ShownName(const std::string& bytes, std::size_t most_characters = 80);
