#include "support/EventRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/EventPump.h"

EventRecorder::EventRecorder() {
    for (const auto& type :
         {EVT_LOGIN_FAILURE, EVT_LOGIN_SUCCESS, EVT_UPDATE_AVAILABLE, EVT_SESSION_FAILURE,
          EVT_SESSION_READY, EVT_MAP_DRIVES, EVT_TUNNEL_FINISHED, EVT_PRINT_FAILURE,
          EVT_PRINTER_FINISHED, EVT_PRINTER_CONNECTED, EVT_PRINT_FILE, EVT_PRINTER_STATUS}) {
        Bind(type, &EventRecorder::OnThreadEvent, this);
    }
    for (const auto& type : {EVT_PRINT_JOB_END, EVT_VIEWER_END, EVT_XSERVER_END, EVT_SSH_END}) {
        Bind(type, &EventRecorder::OnCommandEvent, this);
    }
}

void EventRecorder::OnThreadEvent(wxThreadEvent& event) {
    recorded.push_back({event.GetEventType(), std::shared_ptr<wxThreadEvent>(
                                                  static_cast<wxThreadEvent*>(event.Clone()))});
}

void EventRecorder::OnCommandEvent(wxCommandEvent& event) {
    recorded.push_back({event.GetEventType(), nullptr});
}

std::vector<EventRecorder::Recorded> EventRecorder::Of(wxEventType type) const {
    std::vector<Recorded> out;
    for (const auto& e : recorded) {
        if (e.type == type) out.push_back(e);
    }
    return out;
}

size_t EventRecorder::Count(wxEventType type) const {
    return static_cast<size_t>(std::count_if(recorded.begin(), recorded.end(),
                                             [type](const Recorded& e) { return e.type == type; }));
}

const EventRecorder::Recorded* EventRecorder::WaitFor(wxEventType type,
                                                      std::chrono::milliseconds timeout) {
    auto slot = std::find(taken_types.begin(), taken_types.end(), type);
    if (slot == taken_types.end()) {
        taken_types.push_back(type);
        taken.push_back(0);
        slot = taken_types.end() - 1;
    }
    size_t& already = taken[static_cast<size_t>(slot - taken_types.begin())];
    const bool arrived = PumpUntil([&] { return Count(type) > already; }, timeout);
    if (!arrived) {
        ADD_FAILURE() << "no " << Name(type) << " within " << timeout.count() << " ms";
        return nullptr;
    }
    size_t seen = 0;
    for (const auto& e : recorded) {
        if (e.type != type) continue;
        if (seen++ == already) {
            ++already;
            return &e;
        }
    }
    return nullptr;
}

std::string EventRecorder::Text(const Recorded& event) {
    const wxEventType type = event.type;
    if (type == EVT_PRINT_FILE) return std::string(event.As<wxString>().utf8_str());
    for (const auto& text_type :
         {EVT_LOGIN_FAILURE, EVT_UPDATE_AVAILABLE, EVT_SESSION_FAILURE, EVT_TUNNEL_FINISHED,
          EVT_PRINT_FAILURE, EVT_PRINTER_FINISHED, EVT_PRINTER_CONNECTED, EVT_PRINTER_STATUS}) {
        if (type == text_type) return event.As<std::string>();
    }
    return "";
}

std::vector<std::string> EventRecorder::Trace() const {
    std::vector<std::string> out;
    for (const auto& e : recorded) {
        std::string line = Name(e.type);
        const std::string text = Text(e);
        if (!text.empty() && e.type != EVT_PRINT_FILE) line += ":" + text;
        out.push_back(line);
    }
    return out;
}

const char* EventRecorder::Name(wxEventType type) {
    const std::pair<wxEventType, const char*> names[] = {
        {EVT_LOGIN_FAILURE, "EVT_LOGIN_FAILURE"},
        {EVT_LOGIN_SUCCESS, "EVT_LOGIN_SUCCESS"},
        {EVT_UPDATE_AVAILABLE, "EVT_UPDATE_AVAILABLE"},
        {EVT_SESSION_FAILURE, "EVT_SESSION_FAILURE"},
        {EVT_SESSION_READY, "EVT_SESSION_READY"},
        {EVT_MAP_DRIVES, "EVT_MAP_DRIVES"},
        {EVT_TUNNEL_FINISHED, "EVT_TUNNEL_FINISHED"},
        {EVT_PRINT_FAILURE, "EVT_PRINT_FAILURE"},
        {EVT_PRINTER_FINISHED, "EVT_PRINTER_FINISHED"},
        {EVT_PRINTER_CONNECTED, "EVT_PRINTER_CONNECTED"},
        {EVT_PRINT_FILE, "EVT_PRINT_FILE"},
        {EVT_PRINTER_STATUS, "EVT_PRINTER_STATUS"},
        {EVT_PRINT_JOB_END, "EVT_PRINT_JOB_END"},
        {EVT_VIEWER_END, "EVT_VIEWER_END"},
        {EVT_XSERVER_END, "EVT_XSERVER_END"},
        {EVT_SSH_END, "EVT_SSH_END"}};
    for (const auto& [t, name] : names) {
        if (t == type) return name;
    }
    return "unknown event";
}
