#pragma once

#include <chrono>

#include "platform/ChildProgram.h"
#include "platform/ErrorTail.h"

// A child program started by the application (viewer, X server, forwarding ssh). Its end is
// reported to the application as a payload-less event; the handler of that event deletes it.
// Its output is read as it comes, and its last error line kept, so that a program that gives
// up can say why.
class MirlNxProcess : public ErrorTailProcess {
  public:
    MirlNxProcess(wxEvtHandler* application, wxEventType end_event);

    void OnTerminate(int pid, int status) override;

    // True once the program has ended (its end event is then on its way or handled): several
    // programs report the same event type, so a handler tells by this which one ended.
    bool HasEnded() const { return ended; }
    // The program's exit status once it has ended; negative when a signal ended it.
    int ExitStatus() const { return exit_status; }
    // Ends the program; an end from now on is the client's doing, never the program's failure.
    void End(EndScope scope = EndScope::Program);
    // The one rule for a program that could not do its work (a port taken, a desktop out of
    // reach): it ended by itself, with a status other than success, within kLaunchFailureWindow
    // of its start. A later end, or one that the client or anybody else asked for (SIGTERM,
    // SIGKILL), is the session's.
    bool FailedAtLaunch() const;
    static constexpr std::chrono::seconds kLaunchFailureWindow{5};

  private:
    wxEvtHandler* application;
    wxEventType end_event;
    bool ended = false;
    bool ended_by_client = false;
    int exit_status = 0;
    std::chrono::steady_clock::time_point made = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration run_time{};
};
