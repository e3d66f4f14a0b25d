#include "platform/TcpConnect.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace {
constexpr int kStopCheckMs = 50;

struct AddressesDeleter {
    void operator()(addrinfo* list) const { freeaddrinfo(list); }
};

// Waits for a non-blocking connect to finish; true when it succeeded.
bool FinishConnect(int fd, std::chrono::steady_clock::time_point deadline,
                   const std::function<bool()>& stopped) {
    for (;;) {
        if (stopped() || std::chrono::steady_clock::now() >= deadline) return false;
        pollfd waiting{fd, POLLOUT, 0};
        const int ready = poll(&waiting, 1, kStopCheckMs);
        if (ready < 0 && errno != EINTR) return false;
        if (ready <= 0) continue;
        int error = 0;
        socklen_t length = sizeof error;
        return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
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
        const int fd =
            socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
        if (fd < 0) continue;
        const int flags = fcntl(fd, F_GETFL);
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        const bool connected = connect(fd, address->ai_addr, address->ai_addrlen) == 0 ||
                               (errno == EINPROGRESS && FinishConnect(fd, deadline, stopped));
        if (connected) {
            fcntl(fd, F_SETFL, flags);
            const int one = 1;  // small SFTP requests must not wait for Nagle
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            return fd;
        }
        close(fd);
        if (stopped() || std::chrono::steady_clock::now() >= deadline) break;
    }
    return kNoSocket;
}
