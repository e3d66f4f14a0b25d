#include "app/MirlNxProcess.h"

#include "records/Events.h"

MirlNxProcess::MirlNxProcess(wxEvtHandler* app, wxEventType event_type)
    : application(app), end_event(event_type) {}

void MirlNxProcess::End(EndScope scope) {
    if (!ended) ended_by_client = true;
    EndChildProgram(GetPid(), scope);
}

bool MirlNxProcess::FailedAtLaunch() const {
    // Negative: a signal ended it, or a status of 128 and more (ssh's 255 is -1). SIGTERM and
    // SIGKILL ask a program to end (the user closing it, the system): that is no failure of its.
    const bool asked_to_end = exit_status == -wxSIGTERM || exit_status == -wxSIGKILL;
    return ended && !ended_by_client && exit_status != 0 && !asked_to_end &&
           run_time < kLaunchFailureWindow;
}

void MirlNxProcess::OnTerminate(int, int status) {
    FinishReading();
    ended = true;
    exit_status = status;
    run_time = std::chrono::steady_clock::now() - made;
    QueueCommandEvent(application, end_event);
}
