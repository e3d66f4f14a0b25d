#pragma once

#include <wx/event.h>
#include <wx/thread.h>

#include "records/Records.h"

// Finds the server for a login on a worker thread. Used as a local object for one call and
// never deleted through this interface, hence the protected non-virtual destructor.
class ServerLookup {
  public:
    // A new, unstarted, detached thread that queues EVT_LOGIN_SUCCESS or EVT_LOGIN_FAILURE to
    // sink. The caller starts it with Run and forgets it.
    virtual wxThread* CreateLoginThread(wxEvtHandler* sink, const MirlNxLogin& login) = 0;

  protected:
    ServerLookup() = default;
    ServerLookup(const ServerLookup&) = default;
    ServerLookup& operator=(const ServerLookup&) = default;
    ~ServerLookup() = default;
};
