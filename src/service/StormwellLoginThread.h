#pragma once

#include <wx/event.h>
#include <wx/thread.h>

#include <string>

#include "records/Records.h"

// Logs the user in to the service and queues exactly one of EVT_LOGIN_SUCCESS (LoginResult) or
// EVT_LOGIN_FAILURE (the message) to the sink. Detached: it deletes itself when Entry returns.
class StormwellLoginThread : public wxThread {
  public:
    StormwellLoginThread(wxEvtHandler* sink, std::string url, MirlNxLogin login);
    ~StormwellLoginThread() override;

  protected:
    // 0 after EVT_LOGIN_SUCCESS, 1 after EVT_LOGIN_FAILURE.
    ExitCode Entry() override;

  private:
    wxEvtHandler* sink;
    std::string url;
    MirlNxLogin login;
};

// The server for a login, from a POST to the session-start URL; throws the message for the user.
MirlNxServer LogIn(const std::string& url, const MirlNxLogin& login);
