#include "app/MirlNxProcess.h"

#include "records/Events.h"

MirlNxProcess::MirlNxProcess(wxEvtHandler* app, wxEventType event_type)
    : application(app), end_event(event_type) {}

void MirlNxProcess::OnTerminate(int, int status) {
    FinishReading();
    ended = true;
    exit_status = status;
    run_time = std::chrono::steady_clock::now() - made;
    QueueCommandEvent(application, end_event);
}
