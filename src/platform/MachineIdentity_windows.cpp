#include <wx/msw/registry.h>

#include "platform/LocaleText.h"
#include "platform/MachineIdentity.h"

std::string ReadMachineIdText() {
    // The 64-bit view, so that a 32-bit client sees the machine's real value.
    wxRegKey key(wxRegKey::HKLM, "SOFTWARE\\Microsoft\\Cryptography", wxRegKey::WOW64ViewMode_64);
    wxString value;
    if (key.Open(wxRegKey::Read) && key.HasValue("MachineGuid") &&
        key.QueryValue("MachineGuid", value)) {
        return ToLocaleBytes(value);
    }
    return "";
}
