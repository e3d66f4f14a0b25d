#pragma once

#include <cstddef>
#include <string>

#include "platform/LoopbackSocket.h"

// A client connection to 127.0.0.1:port made with the platform's own socket calls (Winsock
// here), as a viewer would make it. Every call is bounded by a 30 s socket time-out.
class LoopbackStream {
  public:
    explicit LoopbackStream(int port);
    ~LoopbackStream();
    LoopbackStream(const LoopbackStream&) = delete;
    LoopbackStream& operator=(const LoopbackStream&) = delete;

    bool Connected() const { return socket != kNoSocket; }
    bool SendAll(const std::string& bytes);
    // Reads exactly count bytes; fewer when the peer closes or the time-out passes.
    std::string ReceiveExactly(std::size_t count);
    void Close();

  private:
    SocketLibraryUse library;
    SocketHandle socket = kNoSocket;
};
