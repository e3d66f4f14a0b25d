// The registry header uses these without including them.
#include <wx/buffer.h>
#include <wx/string.h>
// clang-format off
#include <wx/msw/registry.h>
// clang-format on

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
