#pragma once

#include <wx/string.h>

#include <vector>

// The machine's local and connected printers, in a stable order (Windows: as the print spooler
// returns them; Linux: the CUPS destinations, "queue" or "queue/instance", in CUPS's order).
std::vector<wxString> GetPrinterNames();

// The default printer's name, or empty when there is none (or, on Windows, when the name does
// not fit the 128-character buffer).
wxString GetDefaultPrinterName();
