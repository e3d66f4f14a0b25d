#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/LoopbackSocket.h"
#include "platform/SocketSystem.h"

#include <type_traits>

static_assert(std::is_same_v<SocketHandle, SOCKET> && kNoSocket == INVALID_SOCKET,
              "SocketHandle must be Winsock's SOCKET");

SocketLibraryUse::SocketLibraryUse() {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

SocketLibraryUse::~SocketLibraryUse() {
    if (started) WSACleanup();
}

SocketHandle NewSocket(int family) {
    return NewSocket(family, SOCK_STREAM, IPPROTO_TCP);
}

SocketHandle NewSocket(int family, int type, int protocol) {
    // Flagged at creation, so that a child started meanwhile on another thread cannot get it;
    // a system that does not know the flag gets the handle's flag cleared just after.
    const SOCKET made = WSASocketW(family, type, protocol, nullptr, 0,
                                   WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (made != INVALID_SOCKET) return made;
    const SOCKET plain = WSASocketW(family, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED);
    if (plain != INVALID_SOCKET) KeepFromChildren(plain);
    return plain;
}

void KeepFromChildren(SocketHandle socket) {
    SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
}

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
    return error == WSAEWOULDBLOCK;
}

bool SetTimeout(SocketHandle socket, int option, std::chrono::milliseconds timeout) {
    const DWORD value = static_cast<DWORD>(timeout.count());
    return setsockopt(socket, SOL_SOCKET, option, reinterpret_cast<const char*>(&value),
                      sizeof value) == 0;
}

void SetListeningAddressOption(SocketHandle socket) {
    const BOOL on = TRUE;
    setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
               sizeof on);
}

void SetNoDelay(SocketHandle socket) {
    const BOOL on = TRUE;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

int WaitReadable(SocketHandle socket, std::chrono::milliseconds wait) {
    WSAPOLLFD entry{};
    entry.fd = socket;
    entry.events = POLLRDNORM;
    const int ready = WSAPoll(&entry, 1, static_cast<INT>(wait.count()));
    return ready < 0 ? -1 : (ready > 0 ? 1 : 0);
}

SocketPairState WaitForPair(SocketHandle local, SocketHandle remote, bool want_remote_write,
                            std::chrono::milliseconds wait) {
    WSAPOLLFD entries[2] = {};
    entries[0].fd = local;
    entries[0].events = POLLRDNORM;
    entries[1].fd = remote;
    entries[1].events = static_cast<SHORT>(POLLRDNORM | (want_remote_write ? POLLWRNORM : 0));
    SocketPairState state;
    if (WSAPoll(entries, 2, static_cast<INT>(wait.count())) < 0) {
        state.failed = true;
        return state;
    }
    state.local_readable = entries[0].revents != 0;
    state.remote_readable = (entries[1].revents & ~POLLWRNORM) != 0;
    state.remote_writable = (entries[1].revents & POLLWRNORM) != 0;
    return state;
}

void ShutdownOnly(SocketHandle socket) {
    shutdown(socket, SD_BOTH);
    // Unlike on POSIX, a local shutdown does not wake a select() or recv() that waits on the
    // socket: only the peer's answer to the FIN would, and a hung server never gives it.
    // Cancelling the socket's pending I/O (any thread's) ends the wait with an error.
    CancelIoEx(reinterpret_cast<HANDLE>(socket), nullptr);
}
