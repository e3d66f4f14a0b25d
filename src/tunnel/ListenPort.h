#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/LoopbackSocket.h"

// Owner of the tunnel's one loopback socket: first the listening socket, then, once a
// connection is accepted, that connection's socket. Whatever it still holds is closed when it
// goes, so every socket is closed exactly once. On Windows each port starts and stops the
// socket library once, so several ports may exist at the same time.
class ListenPort {
  public:
    static constexpr std::chrono::seconds kSocketTimeout{10};

    ListenPort();
    ~ListenPort();
    ListenPort(const ListenPort&) = delete;
    ListenPort& operator=(const ListenPort&) = delete;

    // Listens on 127.0.0.1:port with a backlog of 1. Throws the message (std::string) of the
    // step that failed, holding nothing then.
    void Listen(std::uint16_t port);

    // Waits for one connection, at most `limit`, or until `stop` says so. On success the
    // listening socket is closed (later connections are refused) and the port holds the
    // accepted socket, which it returns. kNoSocket on failure, time-out or stop; the listening
    // socket then stays.
    SocketHandle Accept(std::chrono::milliseconds limit, const std::function<bool()>& stop);

    SocketHandle Socket() const { return held; }

    // Shuts down and closes the socket held, if any.
    void Close();

  private:
    SocketLibraryUse library;
    SocketHandle held = kNoSocket;
};
