#pragma once

#include <wx/string.h>

#include <vector>

// The last entry of the printer list, beside the printers: documents are saved, not printed.
inline constexpr const char* kSaveToDownloadsEntry = "Save to Downloads folder";

// Index of the first printer whose name equals the default printer's exactly (case matters),
// or -1 when there is no default or it is not in the list.
int DefaultPrinterIndex(const std::vector<wxString>& names, const wxString& default_name);
