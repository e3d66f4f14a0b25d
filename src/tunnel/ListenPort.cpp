#include "tunnel/ListenPort.h"

#include <string>

#include "platform/Deadline.h"
#include "platform/StopSignal.h"

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
    held = ListenOnLoopback(port, kSocketTimeout);
}

SocketHandle ListenPort::Accept(std::chrono::milliseconds limit,
                                const std::function<bool()>& stop) {
    if (held == kNoSocket) return kNoSocket;
    const Deadline deadline(limit);
    for (;;) {
        const int ready = PollUntil(deadline.At(), stop, [this](std::chrono::milliseconds slice) {
            return WaitReadable(held, slice);
        });
        if (ready <= 0) return kNoSocket;
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
        SetReceiveTimeout(held, kSocketTimeout);
        SetSendTimeout(held, kSocketTimeout);
        SetNoDelay(held);
        return held;
    }
}
