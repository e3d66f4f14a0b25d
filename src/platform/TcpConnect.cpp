#include "platform/TcpConnect.h"

#include <memory>

#include "platform/Deadline.h"
#include "platform/StopSignal.h"
#include "platform/TcpConnectSteps.h"

namespace {
struct AddressesDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
}  // namespace

SocketHandle TcpConnect(const std::string& host, std::uint16_t port,
                        std::chrono::milliseconds timeout, const std::function<bool()>& stopped) {
    const Deadline deadline(timeout);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return kNoSocket;
    }
    const std::unique_ptr<addrinfo, AddressesDeleter> addresses(found);
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
        ConnectStart start = ConnectStart::kFailed;
        const SocketHandle socket = StartConnect(*address, start);
        if (socket == kNoSocket) continue;
        const bool connected =
            start == ConnectStart::kConnected ||
            (start == ConnectStart::kPending &&
             PollUntil(deadline.At(), stopped, [socket](std::chrono::milliseconds slice) {
                 return ConnectFinished(socket, slice);
             }) > 0);
        if (connected && UseConnected(socket)) return socket;
        ShutdownAndClose(socket);
        if (stopped() || deadline.Passed()) break;
    }
    return kNoSocket;
}
