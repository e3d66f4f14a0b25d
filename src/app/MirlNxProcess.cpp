#include "app/MirlNxProcess.h"

#include "app/records/Events.h"

MirlNxProcess::MirlNxProcess(wxEvtHandler* app, wxEventType event_type)
    : wxProcess(nullptr, -1), application(app), end_event(event_type) {}

void MirlNxProcess::OnTerminate(int, int) {
    QueueCommandEvent(application, end_event);
}
