#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "platform/LoopbackSocket.h"

// A client connection to 127.0.0.1:port made with the platform's own socket calls, as a viewer
// would make it. Every call is bounded by a 30 s socket time-out.
class LoopbackConnection {
  public:
    explicit LoopbackConnection(int port);
    ~LoopbackConnection();
    LoopbackConnection(const LoopbackConnection&) = delete;
    LoopbackConnection& operator=(const LoopbackConnection&) = delete;

    bool Connected() const { return socket != kNoSocket; }
    bool SendAll(const std::string& bytes);
    // Reads exactly count bytes; fewer when the peer closes or the time-out passes.
    std::string ReceiveExactly(std::size_t count);
    // True when nothing arrives (and the peer does not close) within wait.
    bool NothingArrives(std::chrono::milliseconds wait);
    void Close();

  private:
    SocketLibraryUse library;
    SocketHandle socket = kNoSocket;
};
