#include "platform/Printers.h"

#ifdef _WIN32
#include <windows.h>
#include <winspool.h>
#else
#include <cups/cups.h>
#endif

#ifdef _WIN32

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

#else

namespace {
// What `lp -d` accepts for the destination.
wxString DestinationName(const cups_dest_t& dest) {
    wxString name = wxString::FromUTF8(dest.name);
    if (dest.instance != nullptr) name += "/" + wxString::FromUTF8(dest.instance);
    return name;
}

// The destinations CUPS knows, freed when it goes out of scope.
class Destinations {
  public:
    Destinations() : count(cupsGetDests(&dests)) {}
    ~Destinations() { cupsFreeDests(count, dests); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;

    cups_dest_t* dests = nullptr;
    int count;
};
}  // namespace

std::vector<wxString> GetPrinterNames() {
    Destinations all;
    std::vector<wxString> names;
    for (int i = 0; i < all.count; ++i) names.push_back(DestinationName(all.dests[i]));
    return names;
}

wxString GetDefaultPrinterName() {
    Destinations all;
    const cups_dest_t* chosen = cupsGetDest(nullptr, nullptr, all.count, all.dests);
    return chosen != nullptr ? DestinationName(*chosen) : wxString();
}

#endif
