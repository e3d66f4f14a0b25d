#include "app/PrintJobTurns.h"

#include <wx/filefn.h>

#include <utility>

PrintJobTurns::PrintJobTurns(std::size_t most_running_, std::function<bool(const wxString&)> start_)
    : most_running(most_running_), start(std::move(start_)) {}

PrintJobTurns::~PrintJobTurns() {
    for (const wxString& file : waiting) {
        if (wxFileExists(file)) wxRemoveFile(file);
    }
}

void PrintJobTurns::Add(const wxString& file) {
    waiting.push_back(file);
    StartWaiting();
}

void PrintJobTurns::Ended() {
    if (running > 0) --running;
    StartWaiting();
}

void PrintJobTurns::StartAll() {
    most_running = waiting.size() + running;
    StartWaiting();
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
