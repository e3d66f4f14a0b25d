#pragma once

#include "platform/LoopbackSocket.h"

// A listener on 127.0.0.1 at a port the system picks, made with the platform's own calls, that
// never accepts: the system's backlog completes the TCP connections, and nothing is ever said
// on them (a service that accepts and then stays silent).
class SilentListener {
  public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int Port() const { return port; }
    SocketHandle Handle() const { return socket; }

  private:
    SocketLibraryUse library;
    SocketHandle socket = kNoSocket;
    int port = 0;
};

// A loopback TCP port that was free a moment ago.
int FreeLoopbackPort();
// A loopback port on which nothing listens: connecting to it is refused.
int ClosedLoopbackPort();
