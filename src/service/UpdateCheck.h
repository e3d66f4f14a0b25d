#pragma once

#include <wx/event.h>
#include <wx/thread.h>

// Finds out on a worker thread whether a newer client is published. Used as a local object for
// one call and never deleted through this interface, hence the protected non-virtual destructor.
class UpdateCheck {
  public:
    // A new, unstarted, detached thread that queues EVT_UPDATE_AVAILABLE to sink when a newer
    // version is published, and nothing otherwise. The caller starts it with Run and forgets it.
    virtual wxThread* CreateCheckThread(wxEvtHandler* sink) = 0;

  protected:
    UpdateCheck() = default;
    UpdateCheck(const UpdateCheck&) = default;
    UpdateCheck& operator=(const UpdateCheck&) = default;
    ~UpdateCheck() = default;
};
