#include "support/LoopbackConnection.h"

#include <algorithm>
#include <chrono>

#include "platform/TcpConnect.h"

namespace {
constexpr std::chrono::seconds kTimeout{30};
constexpr int kChunk = 65536;
}  // namespace

LoopbackConnection::LoopbackConnection(int port) {
    socket =
        TcpConnect("127.0.0.1", static_cast<std::uint16_t>(port), kTimeout, [] { return false; });
    if (socket == kNoSocket) return;
    SetReceiveTimeout(socket, kTimeout);
    SetSendTimeout(socket, kTimeout);
}

LoopbackConnection::~LoopbackConnection() {
    Close();
}

bool LoopbackConnection::SendAll(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int size = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, kChunk));
        const long n = SendSome(socket, bytes.data() + sent, size);
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string LoopbackConnection::ReceiveExactly(std::size_t count) {
    std::string received;
    char buffer[kChunk];
    while (received.size() < count) {
        const int size = static_cast<int>(std::min<std::size_t>(count - received.size(), kChunk));
        const long n = ReceiveSome(socket, buffer, size);
        if (n <= 0) break;
        received.append(buffer, static_cast<std::size_t>(n));
    }
    return received;
}

bool LoopbackConnection::NothingArrives(std::chrono::milliseconds wait) {
    return WaitReadable(socket, wait) == 0;
}

void LoopbackConnection::Close() {
    if (socket == kNoSocket) return;
    ShutdownAndClose(socket);
    socket = kNoSocket;
}
