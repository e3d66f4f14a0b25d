#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/LoopbackSocket.h"

// Opens a TCP connection to host:port (each address of the name in turn), giving up after
// timeout or soon after stopped() says so. Returns the connected,
// blocking socket with Nagle off, or kNoSocket. The caller owns the socket.
SocketHandle TcpConnect(const std::string& host, std::uint16_t port,
                        std::chrono::milliseconds timeout, const std::function<bool()>& stopped);
