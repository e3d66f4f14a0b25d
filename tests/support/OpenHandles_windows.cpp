#include <windows.h>

#include "support/OpenHandles.h"

std::size_t OpenHandleCount() {
    DWORD count = 0;
    return GetProcessHandleCount(GetCurrentProcess(), &count) ? count : 0;
}
