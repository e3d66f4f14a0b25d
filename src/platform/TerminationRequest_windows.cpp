#include <windows.h>
#include <wx/app.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include "platform/TerminationRequest.h"

// A window's log-off and shut-down messages (WM_QUERYENDSESSION, WM_ENDSESSION) reach the
// application's own end-of-session handler instead; this covers a client with a console.
namespace {
std::function<void()> pending;
std::atomic<bool> asked{false};
std::atomic<bool> done{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            break;
        default:
            return FALSE;
    }
    if (!asked.exchange(true)) {
        wxTheApp->CallAfter([] {
            if (pending) pending();
            done = true;
        });
    }
    // The system ends the process when this returns: give the shutdown its few seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return TRUE;
}
}  // namespace

void CatchTerminationRequests(std::function<void()> on_request) {
    pending = std::move(on_request);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}
