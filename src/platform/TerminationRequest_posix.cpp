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
// the shutdown waits for SIGCHLD to learn that the programs it ended are gone.
void RunOnce(int) {
    std::function<void()> run = std::move(Pending());
    Pending() = nullptr;
    if (run) wxTheApp->CallAfter(run);
}
}  // namespace

void CatchTerminationRequests(std::function<void()> on_request) {
    Pending() = std::move(on_request);
    wxTheApp->SetSignalHandler(SIGTERM, RunOnce);
    wxTheApp->SetSignalHandler(SIGHUP, RunOnce);
}
