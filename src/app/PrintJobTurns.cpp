#include "app/PrintJobTurns.h"

#include <utility>

PrintJobTurns::PrintJobTurns(std::size_t most_running_, std::function<bool(const wxString&)> start_)
    : most_running(most_running_), start(std::move(start_)) {}

void PrintJobTurns::Add(const wxString& file) {
    waiting.push_back(file);
    StartWaiting();
}

void PrintJobTurns::Ended() {
    if (running > 0) --running;
    StartWaiting();
}

std::deque<wxString> PrintJobTurns::TakeWaiting() {
    return std::exchange(waiting, {});
}

void PrintJobTurns::StartWaiting() {
    if (starting) return;  // a start that runs the event loop must not start twice
    starting = true;
    while (running < most_running && !waiting.empty()) {
        const wxString file = waiting.front();
        waiting.pop_front();
        if (start(file)) ++running;
    }
    starting = false;
}
