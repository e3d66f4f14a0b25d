#pragma once

#include <wx/event.h>
#include <wx/thread.h>

#include <string>

// Fetches the published version text and queues EVT_UPDATE_AVAILABLE (the text as received)
// when it names a newer version than the client's own. Silent on every failure. Detached: it
// deletes itself when Entry returns.
class UpdateCheckThread : public wxThread {
  public:
    UpdateCheckThread(wxEvtHandler* sink, std::string url);
    ~UpdateCheckThread() override;

  protected:
    // 0 when the check completed, newer version or not; 1 when it failed.
    ExitCode Entry() override;

  private:
    wxEvtHandler* sink;
    std::string url;
};
