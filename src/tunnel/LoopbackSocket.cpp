#include "tunnel/LoopbackSocket.h"

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <cerrno>
#endif

#ifdef _WIN32

void ShutdownAndClose(SocketHandle socket) {
    shutdown(socket, SD_BOTH);
    closesocket(socket);
}

long ReceiveSome(SocketHandle socket, char* buffer, int size) {
    return recv(socket, buffer, size, 0);
}

long SendSome(SocketHandle socket, const char* buffer, int size) {
    return send(socket, buffer, size, 0);
}

bool LastCallWouldBlock() {
    const int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAETIMEDOUT;
}

static bool SetTimeout(SocketHandle socket, int option, int milliseconds) {
    const DWORD value = static_cast<DWORD>(milliseconds);
    return setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
}

void SetNoDelay(SocketHandle socket) {
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

int WaitReadable(SocketHandle socket, int milliseconds) {
    WSAPOLLFD entry{};
    entry.fd = socket;
    entry.events = POLLRDNORM;
    const int ready = WSAPoll(&entry, 1, milliseconds);
    return ready < 0 ? -1 : (ready > 0 ? 1 : 0);
}

SocketPairState WaitForPair(SocketHandle local, SocketHandle remote, bool want_remote_write,
                            int milliseconds) {
    WSAPOLLFD entries[2] = {};
    entries[0].fd = local;
    entries[0].events = POLLRDNORM;
    entries[1].fd = remote;
    entries[1].events = static_cast<SHORT>(POLLRDNORM | (want_remote_write ? POLLWRNORM : 0));
    SocketPairState state;
    if (WSAPoll(entries, 2, milliseconds) < 0) {
        state.failed = true;
        return state;
    }
    state.local_readable = entries[0].revents != 0;
    state.remote_readable = (entries[1].revents & ~POLLWRNORM) != 0;
    state.remote_writable = (entries[1].revents & POLLWRNORM) != 0;
    return state;
}

#else

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

static bool SetTimeout(SocketHandle socket, int option, int milliseconds) {
    timeval value{};
    value.tv_sec = milliseconds / 1000;
    value.tv_usec = (milliseconds % 1000) * 1000;
    return setsockopt(socket, SOL_SOCKET, option, &value, sizeof value) == 0;
}

void SetNoDelay(SocketHandle socket) {
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int WaitReadable(SocketHandle socket, int milliseconds) {
    pollfd entry{};
    entry.fd = socket;
    entry.events = POLLIN;
    int ready;
    do {
        ready = poll(&entry, 1, milliseconds);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return -1;
    if (ready == 0) return 0;
    return (entry.revents & (POLLERR | POLLNVAL)) != 0 ? -1 : 1;
}

SocketPairState WaitForPair(SocketHandle local, SocketHandle remote, bool want_remote_write,
                            int milliseconds) {
    pollfd entries[2] = {};
    entries[0].fd = local;
    entries[0].events = POLLIN;
    entries[1].fd = remote;
    entries[1].events = static_cast<short>(POLLIN | (want_remote_write ? POLLOUT : 0));
    SocketPairState state;
    int ready;
    do {
        ready = poll(entries, 2, milliseconds);
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

#endif

bool SetReceiveTimeout(SocketHandle socket, int milliseconds) {
    return SetTimeout(socket, SO_RCVTIMEO, milliseconds);
}

bool SetSendTimeout(SocketHandle socket, int milliseconds) {
    return SetTimeout(socket, SO_SNDTIMEO, milliseconds);
}
