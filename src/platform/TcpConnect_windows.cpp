#include "platform/TcpConnectSteps.h"

namespace {
bool SetBlocking(SOCKET socket, bool blocking) {
    u_long non_blocking = blocking ? 0 : 1;
    return ioctlsocket(socket, FIONBIO, &non_blocking) == 0;
}
}  // namespace

SocketHandle StartConnect(const addrinfo& address, ConnectStart& start) {
    const SOCKET socket = NewSocket(address.ai_family);
    if (socket == INVALID_SOCKET) return kNoSocket;
    SetBlocking(socket, false);
    if (connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) {
        start = ConnectStart::kConnected;
    } else {
        start =
            WSAGetLastError() == WSAEWOULDBLOCK ? ConnectStart::kPending : ConnectStart::kFailed;
    }
    return socket;
}

int ConnectFinished(SocketHandle socket, std::chrono::milliseconds wait) {
    WSAPOLLFD waiting{};
    waiting.fd = socket;
    waiting.events = POLLWRNORM;
    const int ready = WSAPoll(&waiting, 1, static_cast<INT>(wait.count()));
    if (ready < 0) return -1;
    if (ready == 0) return 0;
    int error = 0;
    int length = sizeof error;
    getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error == 0 && (waiting.revents & POLLWRNORM) != 0 ? 1 : -1;
}

bool UseConnected(SocketHandle socket) {
    if (!SetBlocking(socket, true)) return false;
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return true;
}
