#pragma once

#include <wx/timer.h>

#include <functional>
#include <utility>

// Runs shutdown once on the GUI thread when the system has asked the client to end (SIGTERM,
// SIGHUP at log-off): a signal handler can only note the request, so a timer looks for it.
class TerminationWatch : public wxTimer {
  public:
    explicit TerminationWatch(std::function<void()> shutdown) : shutdown(std::move(shutdown)) {}

    // Notes requests from now on and looks for one every few hundred milliseconds.
    void Begin();
    void Notify() override;

  private:
    std::function<void()> shutdown;
};
