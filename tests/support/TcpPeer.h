#pragma once

#include "support/TempDir.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback TCP server for tests and benchmarks: listens on 127.0.0.1 at a port the system
// picks and runs the handler for every accepted connection on its own thread. The destructor
// stops accepting, shuts the open connections down and joins the threads.
class TcpPeer {
  public:
    using Handler = std::function<void(int fd)>;

    explicit TcpPeer(Handler handler);
    ~TcpPeer();
    TcpPeer(const TcpPeer&) = delete;
    TcpPeer& operator=(const TcpPeer&) = delete;

    int Port() const { return port; }
    int Accepted() const { return accepted.load(); }

    // Ready-made handlers.
    static Handler Echo();
    // Sends the bytes, then closes the connection.
    static Handler SendAndClose(std::string bytes);

  private:
    void AcceptLoop();

    Handler handler;
    int listener = -1;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<int> accepted{0};
    std::mutex lock;
    std::vector<int> connections;
    std::vector<std::thread> workers;
    std::thread acceptor;
};

// Client-side helpers on blocking loopback sockets. All are bounded by the socket time-out that
// ConnectLoopback sets (30 s), so a test never hangs on a silent peer.
int ConnectLoopback(int port);  // -1 when refused
bool SendAll(int fd, const std::string& bytes);
// Reads exactly count bytes; returns fewer when the peer closes or the time-out passes.
std::string ReceiveExactly(int fd, size_t count);
// Reads until the peer closes (or the time-out passes).
std::string ReceiveUntilClosed(int fd);
// True when the peer has closed its side: a read returns end of file within timeout_ms.
bool PeerClosed(int fd, int timeout_ms);
