#pragma once

#include <string>
#include <utility>

#include "records/Records.h"
#include "session/DesktopSession.h"
#include "session/OpensshForwarding.h"

// The session over SSH as in LibsshDesktopSession, reached afterwards through the forwarding
// ssh instead of a tunnel thread. Queues EVT_SESSION_READY and EVT_MAP_DRIVES itself and
// returns the running ssh; the in-process connection of the request is closed on return, so
// only ssh keeps a connection to the server.
class OpensshDesktopSession : public DesktopSession {
  public:
    OpensshDesktopSession();  // the deployment's keys, the application's folders
    OpensshDesktopSession(std::string request_key_pem, ForwardingOptions forwarding);

    std::pair<MirlNxSession, TunnelHandles> CreateSession(wxEvtHandler* sink,
                                                          const MirlNxServer& server,
                                                          const MirlNxLogin& login) override;

  private:
    std::string request_key_pem;
    ForwardingOptions forwarding;
};
