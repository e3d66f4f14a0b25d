#include "tunnel/ListenPort.h"

#include <algorithm>
#include <string>

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace {
constexpr int kAcceptSliceMs = 100;
}

ListenPort::ListenPort() {
#ifdef _WIN32
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
#endif
}

ListenPort::~ListenPort() {
    Close();
#ifdef _WIN32
    if (started) WSACleanup();
#endif
}

void ListenPort::Close() {
    if (held == kNoSocket) return;
    ShutdownAndClose(held);
    held = kNoSocket;
}

void ListenPort::Listen(std::uint16_t port) {
    Close();
    held = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (held == kNoSocket) throw std::string("Could not create socket");
    const int on = 1;
    setsockopt(held, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on), sizeof on);
    if (!SetReceiveTimeout(held, kSocketTimeoutMs)) {
        throw std::string("Could not set receive timeout");
    }
    if (!SetSendTimeout(held, kSocketTimeoutMs)) throw std::string("Could not set send timeout");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(held, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::string("Could not bind socket");
    }
    if (listen(held, 1) != 0) throw std::string("Could not listen on socket");
}

SocketHandle ListenPort::Accept(std::chrono::milliseconds limit,
                                const std::function<bool()>& stop) {
    if (held == kNoSocket) return kNoSocket;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!stop()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return kNoSocket;
        const int ready =
            WaitReadable(held, static_cast<int>(std::min<long long>(left.count(), kAcceptSliceMs)));
        if (ready < 0) return kNoSocket;
        if (ready == 0) continue;
        const SocketHandle connection = accept(held, nullptr, nullptr);
        if (connection == kNoSocket) {
            // The peer may have given up between the wake-up and the accept; keep waiting.
            if (LastCallWouldBlock()) continue;
            return kNoSocket;
        }
        ShutdownAndClose(held);
        held = connection;
        // Inherited from the listening socket on Linux and Windows; set again so the bound on
        // a blocked send does not rest on that.
        SetReceiveTimeout(held, kSocketTimeoutMs);
        SetSendTimeout(held, kSocketTimeoutMs);
        SetNoDelay(held);
        return held;
    }
    return kNoSocket;
}
