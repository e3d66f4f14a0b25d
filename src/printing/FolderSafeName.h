#pragma once

#include <string>

// The print account and queue folder name for a login user name: ASCII letters, digits and "-"
// stay, "@" becomes "_at_", "." becomes "_dot_", every other byte (blanks, "_", each byte of a
// non-ASCII character) becomes "_".
std::string FolderSafeName(const std::string& user_name);
