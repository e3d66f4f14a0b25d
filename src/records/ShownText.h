#pragma once

#include <cstddef>
#include <string>

// Text from outside the program (server replies, document and printer names, child programs'
// error lines, paths) made fit to show in a box, a notice or the diagnostic log. One policy for
// all of them: the result is valid UTF-8 (a byte that starts no character becomes U+FFFD); the
// hidden characters (controls, direction marks, embeddings, overrides and isolates, zero-width
// characters, line and paragraph separators, the byte-order mark) are taken out; a tab is a
// blank. Only the line end differs per use: a box keeps it, a name does not.

// For a box: line ends kept; at most max_bytes and kShownTextLines lines, cut at a character
// boundary and marked with "..." when cut.
inline constexpr std::size_t kShownTextLimit = 500;
inline constexpr std::size_t kShownTextLines = 20;
std::string ShownText(const std::string& text, std::size_t max_bytes = kShownTextLimit);

// For a name within a sentence: a line end becomes a blank; at most most_characters
// characters, the last of a longer name being "…".
inline constexpr std::size_t kShownNameLimit = 80;
std::string ShownName(const std::string& text, std::size_t most_characters = kShownNameLimit);
