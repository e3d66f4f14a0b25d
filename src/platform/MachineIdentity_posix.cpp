#include "platform/MachineIdentity.h"

std::string ReadMachineIdText() {
    static const char* const paths[] = {"/etc/machine-id", "/var/lib/dbus/machine-id"};
    return ReadFirstMachineIdFile(paths, 2);
}
