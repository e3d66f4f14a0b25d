#include "tunnel/ListenPort.h"

#include <algorithm>
#include <string>

namespace {
constexpr int kAcceptSliceMs = 100;
}

ListenPort::ListenPort() = default;

ListenPort::~ListenPort() {
    Close();
}

void ListenPort::Close() {
    if (held == kNoSocket) return;
    ShutdownAndClose(held);
    held = kNoSocket;
}

void ListenPort::Listen(std::uint16_t port) {
    Close();
    held = ListenOnLoopback(port, kSocketTimeoutMs);
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
        const SocketHandle connection = AcceptConnection(held);
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
