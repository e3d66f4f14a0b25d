#pragma once

#include <wx/event.h>

#include <utility>

#include "records/Records.h"

// Asks the service for a desktop session. A variant is constructed on the caller's stack for
// one call. CreateSession runs on the GUI thread, blocks until the desktop is reachable, queues
// EVT_SESSION_READY and EVT_MAP_DRIVES to sink on success (or leaves that to its tunnel
// thread) and throws a std::string message for the user on failure, with nothing queued.
class DesktopSession {
  public:
    virtual std::pair<MirlNxSession, TunnelHandles> CreateSession(wxEvtHandler* sink,
                                                                  const MirlNxServer& server,
                                                                  const MirlNxLogin& login) = 0;

  protected:
    DesktopSession() = default;
    DesktopSession(const DesktopSession&) = default;
    DesktopSession& operator=(const DesktopSession&) = default;
    ~DesktopSession() = default;  // never deleted through this interface
};
