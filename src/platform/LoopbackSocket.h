#pragma once

// The few socket calls the tunnel needs, the same on Winsock and POSIX.

#include <cstdint>

#ifdef _WIN32
// Winsock's SOCKET and INVALID_SOCKET, without passing its header on to every includer.
using SocketHandle = std::uintptr_t;
constexpr SocketHandle kNoSocket = ~SocketHandle{0};
#else
using SocketHandle = int;
constexpr SocketHandle kNoSocket = -1;
#endif

#include <chrono>
#include <cstdint>

// Holds the socket library for its lifetime (Winsock must be started before and stopped after
// use; POSIX needs nothing), so several users may exist at the same time.
class SocketLibraryUse {
  public:
    SocketLibraryUse();
    ~SocketLibraryUse();
    SocketLibraryUse(const SocketLibraryUse&) = delete;
    SocketLibraryUse& operator=(const SocketLibraryUse&) = delete;

  private:
    [[maybe_unused]] bool started = false;
};

// Every socket of the client comes from these two, so that no child program ever holds one:
// Windows hands each inheritable handle to a child whose output is read, and a viewer or an X
// server holding the tunnel's connection would keep it open after the client closed it.
// A new stream socket for the family (AF_INET, AF_INET6), or kNoSocket.
SocketHandle NewSocket(int family);
// The same of any kind, for a library that lets the caller make its sockets (libcurl).
SocketHandle NewSocket(int family, int type, int protocol);
// Takes a socket that was made otherwise (accepted) away from child programs.
void KeepFromChildren(SocketHandle socket);

// A new socket listening on 127.0.0.1:port with a backlog of 1 and send and receive time-outs
// of timeout. Throws the message (std::string) of the step that failed, after closing the
// socket.
SocketHandle ListenOnLoopback(std::uint16_t port, std::chrono::milliseconds timeout);
// The local port a bound socket has (0 when it cannot be told): a listener on port 0 gets one
// the system picks.
std::uint16_t LocalPort(SocketHandle socket);
// Accepts one waiting connection: the new socket, or kNoSocket (see LastCallWouldBlock).
SocketHandle AcceptConnection(SocketHandle listener);

// Whether 127.0.0.1:port can be bound now, as a listener binds it (nobody holds it). Looked at
// without connecting: through a forwarding, a connection would reach the desktop behind it.
bool LoopbackPortFree(std::uint16_t port);

// Shuts the socket down both ways and closes it.
void ShutdownAndClose(SocketHandle socket);
// Shuts the socket down both ways, so that a call blocked on it returns, and leaves closing it
// to its owner.
void ShutdownOnly(SocketHandle socket);
// recv/send that never raise SIGPIPE; the results are those of the system calls.
long ReceiveSome(SocketHandle socket, char* buffer, int size);
long SendSome(SocketHandle socket, const char* buffer, int size);
// True when the last failed call would have blocked. A POSIX send or receive time-out counts
// as that; a Winsock time-out does not, since it leaves the socket in an undefined state.
bool LastCallWouldBlock();
// Sets SO_RCVTIMEO or SO_SNDTIMEO; false on failure.
bool SetReceiveTimeout(SocketHandle socket, std::chrono::milliseconds timeout);
bool SetSendTimeout(SocketHandle socket, std::chrono::milliseconds timeout);
// Turns Nagle's algorithm off; interactive desktop traffic is mostly small writes.
void SetNoDelay(SocketHandle socket);
// What one wait on the local socket and the SSH connection's socket found.
struct SocketPairState {
    bool local_readable = false;  // also set for a closed or failed socket: recv will say
    bool remote_readable = false;
    bool remote_writable = false;
    bool failed = false;
};
// Waits up to `wait` until local is readable, remote is readable or, when
// want_remote_write, remote is writable.
SocketPairState WaitForPair(SocketHandle local, SocketHandle remote, bool want_remote_write,
                            std::chrono::milliseconds wait);
// Waits up to `wait` for the socket to become readable (or to have a connection to
// accept): 1 readable, 0 not yet, -1 failure.
int WaitReadable(SocketHandle socket, std::chrono::milliseconds wait);
