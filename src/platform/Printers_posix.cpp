#include <cups/cups.h>

#include "platform/LocaleText.h"
#include "platform/Printers.h"

namespace {
// What `lp -d` accepts for the destination.
wxString DestinationName(const cups_dest_t& dest) {
    wxString name = FromUtf8Bytes(dest.name);
    if (dest.instance != nullptr) name += "/" + FromUtf8Bytes(dest.instance);
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
