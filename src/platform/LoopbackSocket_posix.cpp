#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/LoopbackSocket.h"
#include "platform/SocketSystem.h"

SocketLibraryUse::SocketLibraryUse() = default;
SocketLibraryUse::~SocketLibraryUse() = default;

SocketHandle NewSocket(int family) {
    return NewSocket(family, SOCK_STREAM, IPPROTO_TCP);
}

SocketHandle NewSocket(int family, int type, int protocol) {
    return socket(family, type | SOCK_CLOEXEC, protocol);
}

void KeepFromChildren(SocketHandle socket) {
    fcntl(socket, F_SETFD, fcntl(socket, F_GETFD) | FD_CLOEXEC);
}

void ShutdownAndClose(SocketHandle socket) {
    shutdown(socket, SHUT_RDWR);
    close(socket);
}

long ReceiveSome(SocketHandle socket, char* buffer, int size) {
    return recv(socket, buffer, static_cast<size_t>(size), 0);
}

long SendSome(SocketHandle socket, const char* buffer, int size) {
    return send(socket, buffer, static_cast<size_t>(size), MSG_NOSIGNAL);
}

bool LastCallWouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

bool SetTimeout(SocketHandle socket, int option, std::chrono::milliseconds timeout) {
    timeval value{};
    value.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    value.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return setsockopt(socket, SOL_SOCKET, option, &value, sizeof value) == 0;
}

void SetListeningAddressOption(SocketHandle socket) {
    const int on = 1;
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

void SetNoDelay(SocketHandle socket) {
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int WaitReadable(SocketHandle socket, std::chrono::milliseconds wait) {
    pollfd entry{};
    entry.fd = socket;
    entry.events = POLLIN;
    int ready;
    do {
        ready = poll(&entry, 1, static_cast<int>(wait.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return -1;
    if (ready == 0) return 0;
    return (entry.revents & (POLLERR | POLLNVAL)) != 0 ? -1 : 1;
}

SocketPairState WaitForPair(SocketHandle local, SocketHandle remote, bool want_remote_write,
                            std::chrono::milliseconds wait) {
    pollfd entries[2] = {};
    entries[0].fd = local;
    entries[0].events = POLLIN;
    entries[1].fd = remote;
    entries[1].events = static_cast<short>(POLLIN | (want_remote_write ? POLLOUT : 0));
    SocketPairState state;
    int ready;
    do {
        ready = poll(entries, 2, static_cast<int>(wait.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) {
        state.failed = true;
        return state;
    }
    state.local_readable = entries[0].revents != 0;
    state.remote_readable = (entries[1].revents & ~POLLOUT) != 0;
    state.remote_writable = (entries[1].revents & POLLOUT) != 0;
    return state;
}

void ShutdownOnly(SocketHandle socket) {
    shutdown(socket, SHUT_RDWR);
}
