#pragma once

#include "platform/LoopbackSocket.h"

// A Winsock listener on 127.0.0.1 at a port the system picks that never accepts: the system's
// backlog completes the TCP connections, and nothing is ever said on them.
class SilentListener {
  public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int Port() const { return port; }

  private:
    SocketLibraryUse library;
    SocketHandle socket = kNoSocket;
    int port = 0;
};
