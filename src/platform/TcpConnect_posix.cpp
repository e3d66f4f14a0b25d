#include <fcntl.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/TcpConnectSteps.h"

SocketHandle StartConnect(const addrinfo& address, ConnectStart& start) {
    const int fd = NewSocket(address.ai_family);
    if (fd < 0) return kNoSocket;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) {
        start = ConnectStart::kConnected;
    } else {
        start = errno == EINPROGRESS ? ConnectStart::kPending : ConnectStart::kFailed;
    }
    return fd;
}

int ConnectFinished(SocketHandle fd, std::chrono::milliseconds wait) {
    pollfd waiting{fd, POLLOUT, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(wait.count()));
    if (ready < 0) return errno == EINTR ? 0 : -1;
    if (ready == 0) return 0;
    int error = 0;
    socklen_t length = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0 ? 1 : -1;
}

bool UseConnected(SocketHandle fd) {
    if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) return false;
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
}
