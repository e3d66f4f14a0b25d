#pragma once

#include <wx/process.h>

// A child program started by the application (viewer, X server, forwarding ssh). Its end is
// reported to the application as a payload-less event; the handler of that event deletes it.
class MirlNxProcess : public wxProcess {
  public:
    MirlNxProcess(wxEvtHandler* application, wxEventType end_event);

    void OnTerminate(int pid, int status) override;

  private:
    wxEvtHandler* application;
    wxEventType end_event;
};
