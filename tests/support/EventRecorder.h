#pragma once

#include <wx/any.h>
#include <wx/event.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "records/Events.h"

// A sink for workers and child processes that records every application event it receives,
// in order, with a copy of its payload.
class EventRecorder : public wxEvtHandler {
  public:
    struct Recorded {
        wxEventType type;
        std::shared_ptr<wxThreadEvent> event;  // a copy; null for command events

        template <typename T>
        T As() const {
            return event->GetPayload<T>();
        }
    };

    EventRecorder();

    const std::vector<Recorded>& events() const { return recorded; }
    std::vector<Recorded> Of(wxEventType type) const;
    size_t Count(wxEventType type) const;
    void Clear() { recorded.clear(); }

    // Pumps the event loop until an event of the type has been recorded (the first one not yet
    // taken by an earlier Wait on the same type); fails the calling test on timeout.
    const Recorded* WaitFor(wxEventType type,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // The payload text of the events that carry text, for readable assertions.
    static std::string Text(const Recorded& event);
    // The names of the recorded events, e.g. "EVT_PRINTER_STATUS:Downloading".
    std::vector<std::string> Trace() const;

    static const char* Name(wxEventType type);

  private:
    void OnThreadEvent(wxThreadEvent& event);
    void OnCommandEvent(wxCommandEvent& event);

    std::vector<Recorded> recorded;
    std::vector<size_t> taken;  // per-type count of events handed out by WaitFor
    std::vector<wxEventType> taken_types;
};
