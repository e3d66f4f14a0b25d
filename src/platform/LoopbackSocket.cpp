// What the tunnel's socket calls share on Winsock and POSIX.
#include <string>

#include "platform/LoopbackSocket.h"
#include "platform/SocketSystem.h"

bool SetReceiveTimeout(SocketHandle socket, std::chrono::milliseconds timeout) {
    return SetTimeout(socket, SO_RCVTIMEO, timeout);
}

bool SetSendTimeout(SocketHandle socket, std::chrono::milliseconds timeout) {
    return SetTimeout(socket, SO_SNDTIMEO, timeout);
}

SocketHandle ListenOnLoopback(std::uint16_t port, std::chrono::milliseconds timeout) {
    const SocketHandle held = NewSocket(AF_INET);
    if (held == kNoSocket) throw std::string("Could not create socket");
    const auto fail = [held](const char* message) {
        ShutdownAndClose(held);
        return std::string(message);
    };
    SetListeningAddressOption(held);
    if (!SetReceiveTimeout(held, timeout)) throw fail("Could not set receive timeout");
    if (!SetSendTimeout(held, timeout)) throw fail("Could not set send timeout");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(held, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw fail("Could not bind socket");
    }
    if (listen(held, 1) != 0) throw fail("Could not listen on socket");
    return held;
}

std::uint16_t LocalPort(SocketHandle socket) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

SocketHandle AcceptConnection(SocketHandle listener) {
    const SocketHandle accepted = accept(listener, nullptr, nullptr);
    if (accepted != kNoSocket) KeepFromChildren(accepted);
    return accepted;
}

namespace {
sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}
}  // namespace

bool LoopbackPortFree(std::uint16_t port) {
    const SocketHandle probe = NewSocket(AF_INET);
    if (probe == kNoSocket) return false;
    SetListeningAddressOption(probe);
    const sockaddr_in address = Loopback(port);
    const bool bound =
        bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ShutdownAndClose(probe);
    return bound;
}
