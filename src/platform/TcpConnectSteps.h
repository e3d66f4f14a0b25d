#pragma once

#include <chrono>
#include <functional>

#include "platform/SocketSystem.h"

// The system's own steps of TcpConnect (TcpConnect_posix.cpp, TcpConnect_windows.cpp).

enum class ConnectStart { kFailed, kConnected, kPending };

// A new non-blocking socket for the address with its connect begun (start says how far it
// got), or kNoSocket when no socket could be made.
SocketHandle StartConnect(const addrinfo& address, ConnectStart& start);
// Waits up to `wait` for a pending connect to finish: 1 connected, -1 failed, 0 not yet.
int ConnectFinished(SocketHandle socket, std::chrono::milliseconds wait);
// Makes a connected socket blocking again, with Nagle off (small SFTP requests must not wait
// for it); false when it cannot be made blocking.
bool UseConnected(SocketHandle socket);
