#pragma once

#include "platform/LoopbackSocket.h"

// Two ends of one loopback TCP connection, made with the platform's own calls; both closed with
// it. Calls on either end are bounded by a 30 s socket time-out.
class SocketPair {
  public:
    SocketPair();
    ~SocketPair();
    SocketPair(const SocketPair&) = delete;
    SocketPair& operator=(const SocketPair&) = delete;

    SocketHandle first() const { return ends[0]; }
    SocketHandle second() const { return ends[1]; }
    // True when the first end was shut down: the second reads its end of stream within wait.
    bool FirstShutDown(std::chrono::milliseconds wait) const;

  private:
    SocketLibraryUse library;
    SocketHandle ends[2] = {kNoSocket, kNoSocket};
};
