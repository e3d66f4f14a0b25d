#include "support/EventPump.h"

#include <wx/app.h>
#include <wx/evtloop.h>

namespace {
void PumpOnce() {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (loop->Pending()) loop->Dispatch();
    wxAppConsole::GetInstance()->ProcessPendingEvents();
    loop->DispatchTimeout(10);
    wxAppConsole::GetInstance()->ProcessPendingEvents();
}
}  // namespace

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return done();
        PumpOnce();
    }
    return true;
}

void PumpFor(std::chrono::milliseconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < deadline) PumpOnce();
}
