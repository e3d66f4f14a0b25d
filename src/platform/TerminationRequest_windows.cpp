#include <windows.h>

#include <atomic>

#include "platform/TerminationRequest.h"

// A window's log-off and shut-down messages (WM_QUERYENDSESSION, WM_ENDSESSION) reach the
// application's own end-of-session handler instead; this covers a client with a console.
namespace {
std::atomic<bool> requested{false};

BOOL WINAPI NoteRequest(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            requested.store(true);
            return TRUE;
        default:
            return FALSE;
    }
}
}  // namespace

void CatchTerminationRequests() {
    requested.store(false);
    SetConsoleCtrlHandler(NoteRequest, TRUE);
}

bool TerminationRequested() {
    return requested.load();
}
