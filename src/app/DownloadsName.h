#pragma once

#include <cstddef>
#include <string>

// File names in the Downloads folder for documents the print server named.

// Longest name made, in bytes, before a " (n)" is added: room for the number within every file
// system's 255, and for the Downloads folder within Windows' 260 characters of a path.
inline constexpr std::size_t kMostNameBytes = 150;
// The name of a document whose own name leaves nothing.
inline constexpr const char* kFallbackName = "document";

// The server's bytes as a name fit for a file on Linux and Windows alike (UTF-8): no folder
// separator, no character Windows refuses, no control or direction character (each becomes
// "_"); no leading dots or blanks (a hidden file would go unnoticed), no trailing dots or blanks;
// not one of Windows' device names, with or without an extension; at most kMostNameBytes,
// cut before the extension and never inside a character.
std::string DownloadsName(const std::string& remote_name);

// The name for the attempt-th try at a free name: the name itself first, then "Q3 report (2).pdf"
// and on.
std::string NumberedName(const std::string& name, unsigned attempt);

// The name with each character beyond ASCII as "_", for a locale that cannot write the name.
std::string AsciiName(const std::string& name);
