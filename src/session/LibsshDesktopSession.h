#pragma once

#include <functional>
#include <string>
#include <utility>

#include "net/LibSshSession.h"
#include "records/Records.h"
#include "session/DesktopSession.h"

// What a session request over an in-process SSH connection yields: the connection, still
// open with its request channel, and the session built from the reply.
struct SshSessionRequest {
    LibSshSessionPtr connection;
    MirlNxSession session;
};

// Asks for a desktop session over SSH: connects to the server as "mirlnx", authenticates with
// key_pem (imported from memory: no key file is ever written), opens a shell channel, writes
// the request document and a line feed, reads the one reply line (at most 255 characters and
// its line feed) and reads the reply. Throws the message of the step that failed:
// "Creating session failed", "Connect failed", "auth failed", "channel failed",
// "channel open failed", "Decode error ..." (also for a read that brought nothing) or the
// reply's own "err" text.
SshSessionRequest RequestSessionOverSsh(const MirlNxServer& server, const MirlNxLogin& login,
                                        const std::string& key_pem);

// Makes the unstarted thread that carries the viewer's connection through the request's
// SSH connection (an SshTunnel, which lives beside the sessions, not below them).
using TunnelFactory = std::function<SshTunnel*(wxEvtHandler* sink, LibSshSessionPtr connection,
                                               const MirlNxSession& session)>;

// The session over SSH, reached afterwards through an SshTunnel thread that shares the
// request's connection. The returned thread is not started; it queues EVT_SESSION_READY once
// it listens and EVT_MAP_DRIVES once the viewer has connected.
class LibsshDesktopSession : public DesktopSession {
  public:
    // With the deployment's session-request key.
    explicit LibsshDesktopSession(TunnelFactory make_tunnel);
    LibsshDesktopSession(std::string key_pem, TunnelFactory make_tunnel);

    std::pair<MirlNxSession, TunnelHandles> CreateSession(wxEvtHandler* sink,
                                                          const MirlNxServer& server,
                                                          const MirlNxLogin& login) override;

  private:
    std::string key_pem;
    TunnelFactory make_tunnel;
};
