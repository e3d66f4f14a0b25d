#pragma once

#include <wx/string.h>

#include <string>

// Text crosses between the form's controls and the rest of the program with the C library's
// current-locale conversion. A text the locale cannot represent converts, as a whole, to an
// empty string rather than to a partial or mangled one.
std::string ToLocaleBytes(const wxString& text);
wxString FromLocaleBytes(const std::string& bytes);

// A folder's name as the locale's bytes, for the paths of child programs and files. Throws a
// std::string message for the user (naming the folder, each character the locale lacks shown
// as "?") when the locale cannot represent it: an empty name would put the programs and files
// at the root of the file system.
std::string LocaleFolderName(const wxString& folder);
