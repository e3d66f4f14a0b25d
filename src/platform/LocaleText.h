#pragma once

#include <wx/string.h>

#include <string>

// Text crosses between the form's controls and the rest of the program with the C library's
// current-locale conversion. A text the locale cannot represent converts, as a whole, to an
// empty string rather than to a partial or mangled one.
std::string ToLocaleBytes(const wxString& text);
wxString FromLocaleBytes(const std::string& bytes);
