#include "support/TcpPeer.h"

#include "support/LoopbackPorts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <random>
#include <stdexcept>

namespace {
constexpr int kClientTimeoutSeconds = 30;

void SetTimeouts(int fd) {
    timeval value{};
    value.tv_sec = kClientTimeoutSeconds;
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &value, sizeof value);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &value, sizeof value);
}
}  // namespace

TcpPeer::TcpPeer(Handler handler) : handler(std::move(handler)) {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = LoopbackAddress(0);
    socklen_t length = sizeof address;
    if (listener < 0 ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 8) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener >= 0) close(listener);
        throw std::runtime_error("TcpPeer: cannot listen on loopback");
    }
    port = ntohs(address.sin_port);
    acceptor = std::thread([this] { AcceptLoop(); });
}

TcpPeer::~TcpPeer() {
    stopping = true;
    acceptor.join();
    close(listener);
    {
        std::lock_guard<std::mutex> guard(lock);
        for (int fd : connections) shutdown(fd, SHUT_RDWR);
    }
    for (auto& worker : workers) worker.join();
    for (int fd : connections) close(fd);
}

void TcpPeer::AcceptLoop() {
    while (!stopping) {
        pollfd entry{listener, POLLIN, 0};
        if (poll(&entry, 1, 50) <= 0) continue;
        const int fd = accept(listener, nullptr, nullptr);
        if (fd < 0) continue;
        SetTimeouts(fd);
        ++accepted;
        std::lock_guard<std::mutex> guard(lock);
        connections.push_back(fd);
        workers.emplace_back([this, fd] { handler(fd); });
    }
}

TcpPeer::Handler TcpPeer::Echo() {
    return [](int fd) {
        char buffer[16384];
        for (;;) {
            const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0 || !SendAll(fd, std::string(buffer, static_cast<size_t>(got)))) return;
        }
    };
}

TcpPeer::Handler TcpPeer::SendAndClose(std::string bytes) {
    return [bytes](int fd) {
        SendAll(fd, bytes);
        shutdown(fd, SHUT_RDWR);
    };
}

int ConnectLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in address = LoopbackAddress(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    SetTimeouts(fd);
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

bool SendAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        done += static_cast<size_t>(sent);
    }
    return true;
}

std::string ReceiveExactly(int fd, size_t count) {
    std::string out(count, '\0');
    size_t done = 0;
    while (done < count) {
        const ssize_t got = recv(fd, out.data() + done, count - done, 0);
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    out.resize(done);
    return out;
}

std::string ReceiveUntilClosed(int fd) {
    std::string out;
    char buffer[16384];
    for (;;) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) return out;
        out.append(buffer, static_cast<size_t>(got));
    }
}

bool PeerClosed(int fd, int timeout_ms) {
    pollfd entry{fd, POLLIN, 0};
    if (poll(&entry, 1, timeout_ms) <= 0) return false;
    char byte;
    return recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}
