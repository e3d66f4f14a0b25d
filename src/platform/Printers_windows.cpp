#include <windows.h>
#include <winspool.h>

#include "platform/Printers.h"

std::vector<wxString> GetPrinterNames() {
    std::vector<wxString> names;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    DWORD returned = 0;
    // The first call only reports the size the second one needs.
    EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &returned);
    if (needed == 0) return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &returned)) {
        return names;
    }
    const auto* entries = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i) names.emplace_back(entries[i].pPrinterName);
    return names;
}

wxString GetDefaultPrinterName() {
    wchar_t name[128];
    DWORD size = 128;
    if (!GetDefaultPrinterW(name, &size)) return wxString();
    return wxString(name);
}
