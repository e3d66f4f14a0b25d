#include "WindowLookTrail.h"

#include "records/Events.h"

namespace {
bool IsApplicationStep(wxEventType type) {
    for (wxEventType step :
         {wxEventType(EVT_LOGIN_FAILURE), wxEventType(EVT_LOGIN_SUCCESS),
          wxEventType(EVT_UPDATE_AVAILABLE), wxEventType(EVT_SESSION_FAILURE),
          wxEventType(EVT_SESSION_READY), wxEventType(EVT_MAP_DRIVES),
          wxEventType(EVT_TUNNEL_FINISHED), wxEventType(EVT_PRINT_FAILURE),
          wxEventType(EVT_PRINTER_FINISHED), wxEventType(EVT_PRINTER_CONNECTED),
          wxEventType(EVT_PRINT_FILE), wxEventType(EVT_PRINTER_STATUS),
          wxEventType(EVT_PRINT_JOB_END), wxEventType(EVT_VIEWER_END), wxEventType(EVT_XSERVER_END),
          wxEventType(EVT_SSH_END), wxEventType(wxEVT_BUTTON)}) {
        if (type == step) return true;
    }
    return false;
}

std::string Text(const wxWindow* window) {
    return window != nullptr ? std::string(window->GetLabel().utf8_str()) : "";
}
}  // namespace

WindowLookTrail::WindowLookTrail(wxWindow* desktop_status, wxWindow* printer_status,
                                 wxWindow* button)
    : desktop_label(desktop_status), printer_label(printer_status), connect_button(button) {
    Sample();
    wxEvtHandler::AddFilter(this);
}

WindowLookTrail::~WindowLookTrail() {
    wxEvtHandler::RemoveFilter(this);
}

int WindowLookTrail::FilterEvent(wxEvent& event) {
    if (IsApplicationStep(event.GetEventType())) Sample();
    return Event_Skip;
}

void WindowLookTrail::Sample() {
    // The window may already be gone (closing it is one of the steps under test).
    if (!desktop_label || !printer_label || !connect_button) return;
    Look look{Text(desktop_label), Text(printer_label),
              Text(connect_button) + (connect_button->IsEnabled() ? "+" : "-")};
    if (looks.empty() || !(looks.back() == look)) looks.push_back(look);
}

std::vector<std::string> WindowLookTrail::Looks() const {
    std::vector<std::string> texts;
    for (const Look& look : looks) {
        texts.push_back(look.desktop + " / " + look.printer + " / " + look.button);
    }
    return texts;
}

std::vector<std::string> WindowLookTrail::Part(std::string Look::*part) const {
    std::vector<std::string> texts;
    for (const Look& look : looks) {
        if (texts.empty() || texts.back() != look.*part) texts.push_back(look.*part);
    }
    return texts;
}

std::vector<std::string> WindowLookTrail::Desktop() const {
    return Part(&Look::desktop);
}

std::vector<std::string> WindowLookTrail::Printer() const {
    return Part(&Look::printer);
}

std::vector<std::string> WindowLookTrail::Button() const {
    return Part(&Look::button);
}
