#include "platform/MachineIdentity.h"

#include <fstream>

#ifdef _WIN32
#include <wx/msw/registry.h>
#endif

std::string ReadFirstMachineIdFile(const char* const* paths, int count) {
    for (int i = 0; i < count; ++i) {
        std::ifstream in(paths[i]);
        std::string line;
        while (in && std::getline(in, line)) {
            const auto first = line.find_first_not_of(" \t\r");
            if (first == std::string::npos) continue;
            const auto last = line.find_last_not_of(" \t\r");
            return line.substr(first, last - first + 1);
        }
    }
    return "";
}

std::string ReadMachineIdText() {
#ifdef _WIN32
    // The 64-bit view, so that a 32-bit client sees the machine's real value.
    wxRegKey key(wxRegKey::HKLM, "SOFTWARE\\Microsoft\\Cryptography", wxRegKey::WOW64ViewMode_64);
    wxString value;
    if (key.Open(wxRegKey::Read) && key.HasValue("MachineGuid") &&
        key.QueryValue("MachineGuid", value)) {
        return std::string(value.mb_str(wxConvLibc));
    }
    return "";
#else
    static const char* const paths[] = {"/etc/machine-id", "/var/lib/dbus/machine-id"};
    return ReadFirstMachineIdFile(paths, 2);
#endif
}
