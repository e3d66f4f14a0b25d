#include "ui/PrinterSelection.h"

int DefaultPrinterIndex(const std::vector<wxString>& names, const wxString& default_name) {
    if (default_name.empty()) return -1;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == default_name) return static_cast<int>(i);
    }
    return -1;
}
