#pragma once

#include <wx/string.h>

#include <string>

// The one place where text crosses between wxString and the narrow strings the rest of the
// program carries. Those are UTF-8 on both systems: on Linux they are the locale's bytes (UTF-8
// on every current desktop; a file name that is not valid UTF-8 keeps its bytes), on Windows
// UTF-8 whatever the ANSI code page, so that every user's folder names fit. A text that cannot
// be represented converts, as a whole, to an empty string rather than to a partial or mangled
// one.
std::string ToLocaleBytes(const wxString& text);
wxString FromLocaleBytes(const std::string& bytes);

// Text that is UTF-8 by its format whatever the locale: printer names from CUPS, desktop
// notices, the layout report.
std::string ToUtf8Bytes(const wxString& text);
wxString FromUtf8Bytes(const std::string& bytes);

// A folder's name as the locale's bytes, for the paths of child programs and files. Throws a
// std::string message for the user (naming the folder, each character the locale lacks shown
// as "?") when the locale cannot represent it: an empty name would put the programs and files
// at the root of the file system.
std::string LocaleFolderName(const wxString& folder);
