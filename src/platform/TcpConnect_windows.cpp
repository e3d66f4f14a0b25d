#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>

#include "platform/TcpConnect.h"

namespace {
constexpr int kStopCheckMs = 50;

struct AddressesDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

bool SetBlocking(SOCKET socket, bool blocking) {
    u_long non_blocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &non_blocking) == 0;
}

// Waits for a non-blocking connect to finish; true when it succeeded.
bool FinishConnect(SOCKET socket, std::chrono::steady_clock::time_point deadline,
                   const std::function<bool()>& stopped) {
    for (;;) {
        if (stopped() || std::chrono::steady_clock::now() >= deadline) return false;
        WSAPOLLFD waiting{};
        waiting.fd = socket;
        waiting.events = POLLWRNORM;
        const int ready = WSAPoll(&waiting, 1, kStopCheckMs);
        if (ready < 0) return false;
        if (ready == 0) continue;
        int error = 0;
        int length = sizeof error;
        getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
        return error == 0 && (waiting.revents & POLLWRNORM) != 0;
    }
}
}  // namespace

SocketHandle TcpConnect(const std::string& host, std::uint16_t port,
                        std::chrono::milliseconds timeout, const std::function<bool()>& stopped) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return kNoSocket;
    }
    const std::unique_ptr<addrinfo, AddressesDeleter> addresses(found);
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        const SOCKET socket =
            ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (socket == INVALID_SOCKET) continue;
        SetBlocking(socket, false);
        const bool connected =
            connect(socket, address->ai_addr, static_cast<int>(address->ai_addrlen)) == 0 ||
            (WSAGetLastError() == WSAEWOULDBLOCK && FinishConnect(socket, deadline, stopped));
        if (connected && SetBlocking(socket, true)) {
            const BOOL on = TRUE;  // small SFTP requests must not wait for Nagle
            setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                       sizeof on);
            return socket;
        }
        closesocket(socket);
        if (stopped() || std::chrono::steady_clock::now() >= deadline) break;
    }
    return kNoSocket;
}
