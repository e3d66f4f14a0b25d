#include "support/SocketPair.h"

#include <stdexcept>

#include "platform/TcpConnect.h"
#include "support/LoopbackListener.h"

namespace {
constexpr std::chrono::seconds kTimeout{30};
}  // namespace

SocketPair::SocketPair() {
    const SilentListener listener;
    ends[0] = TcpConnect("127.0.0.1", static_cast<std::uint16_t>(listener.Port()), kTimeout,
                         [] { return false; });
    if (ends[0] == kNoSocket) throw std::runtime_error("could not connect the socket pair");
    // The connection waits in the listener's backlog already.
    ends[1] = AcceptConnection(listener.Handle());
    if (ends[1] == kNoSocket) {
        ShutdownAndClose(ends[0]);
        throw std::runtime_error("could not accept the socket pair's connection");
    }
    for (const SocketHandle end : ends) {
        SetReceiveTimeout(end, kTimeout);
        SetSendTimeout(end, kTimeout);
    }
}

SocketPair::~SocketPair() {
    ShutdownAndClose(ends[0]);
    ShutdownAndClose(ends[1]);
}

bool SocketPair::FirstShutDown(std::chrono::milliseconds wait) const {
    char byte = 0;
    return WaitReadable(ends[1], wait) == 1 && ReceiveSome(ends[1], &byte, 1) == 0;
}
