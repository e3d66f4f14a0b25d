#include <signal.h>

#include <atomic>

#include "platform/TerminationRequest.h"

namespace {
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void NoteRequest(int) {
    requested.store(true);
}
}  // namespace

void CatchTerminationRequests() {
    requested.store(false);
    struct sigaction action {};
    action.sa_handler = NoteRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

bool TerminationRequested() {
    return requested.load();
}
