#pragma once

#include <string>

// The download folder that a user-dirs.dirs file (its text) names, as xdg-user-dir reads it:
// the last line `XDG_DOWNLOAD_DIR="$HOME/..."` or `XDG_DOWNLOAD_DIR="/..."`, a backslash
// taking the next character as it is. Empty when no line names one in either form.
std::string XdgDownloadDir(const std::string& dirs_text, const std::string& home);
