#pragma once

#include <wx/string.h>

#include <cstddef>
#include <deque>
#include <functional>

// Downloaded documents take their turn at the print program: at most a few programs run
// together, however fast the print queue delivers, and the rest wait in the order they came.
class PrintJobTurns {
  public:
    // start: starts the print program for a file; false when it did not start (the file is
    // then gone and the failure told).
    PrintJobTurns(std::size_t most_running, std::function<bool(const wxString&)> start);
    PrintJobTurns(const PrintJobTurns&) = delete;
    PrintJobTurns& operator=(const PrintJobTurns&) = delete;

    void Add(const wxString& file);
    // A started program ended: the next waiting document gets its turn.
    void Ended();
    // The documents that did not get their turn, which are no longer waited for: off the
    // server already, so the caller keeps them.
    std::deque<wxString> TakeWaiting();
    // Nothing running and nothing waiting.
    bool Idle() const { return running == 0 && waiting.empty(); }

  private:
    void StartWaiting();

    std::size_t most_running;
    std::function<bool(const wxString&)> start;
    std::deque<wxString> waiting;
    std::size_t running = 0;
    bool starting = false;
};
