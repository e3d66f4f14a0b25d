#include "platform/ProcessProtection.h"

// Windows writes crash dumps through Windows Error Reporting, whose dump settings (LocalDumps)
// are the machine's, under HKLM: a program of the user may not change them, so the client
// leaves them as the machine's administrator set them. By default no full dump is kept.
void KeepMemoryPrivate() {}
