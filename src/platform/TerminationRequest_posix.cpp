#include <signal.h>
#include <wx/app.h>

#include <utility>

#include "platform/TerminationRequest.h"

namespace {
std::function<void()>& Pending() {
    static std::function<void()> pending;
    return pending;
}

// Called by the toolkit on the GUI thread, after its own handler woke the event loop. The work
// runs later, from the event queue: while this call lasts the toolkit hears no other signal, and
// the shutdown waits to hear that the programs it ended are gone (by SIGCHLD, on a system
// without process descriptors).
void RunOnce(int) {
    // A second request ends the client at once, as the system's default does: a shutdown that
    // hangs can still be ended. Its programs end with it (ProgramStart::ends_with_client).
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
    std::function<void()> run = std::move(Pending());
    Pending() = nullptr;
    if (run) wxTheApp->CallAfter(run);
}

// The toolkit's handler, made to hand the signal back to the system's default as it is caught:
// the GUI thread, which RunOnce waits for, may be the one that hangs.
void CatchOnce(int signal_number) {
    wxTheApp->SetSignalHandler(signal_number, RunOnce);
    struct sigaction action {};
    if (::sigaction(signal_number, nullptr, &action) != 0) return;
    action.sa_flags |= SA_RESETHAND;
    ::sigaction(signal_number, &action, nullptr);
}
}  // namespace

void CatchTerminationRequests(std::function<void()> on_request) {
    Pending() = std::move(on_request);
    CatchOnce(SIGTERM);
    CatchOnce(SIGHUP);
}
