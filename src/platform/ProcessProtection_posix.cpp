#include <sys/resource.h>

#include "platform/ProcessProtection.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

void KeepMemoryPrivate() {
    const rlimit no_core{0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
#ifdef __linux__
    // Also keeps /proc/PID/mem and ptrace from other processes of the same user.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
}
