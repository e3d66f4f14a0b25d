#include "support/LoopbackPorts.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace {
// A socket bound to 127.0.0.1 on a port the system picks; its port through port_out.
int BoundLoopbackSocket(int& port_out) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        throw std::runtime_error("bind on 127.0.0.1 failed");
    }
    port_out = ntohs(address.sin_port);
    return fd;
}
}  // namespace

sockaddr_in LoopbackAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int FreeLoopbackPort() {
    // A port the system just handed out and we gave back: nothing listens on it.
    int port = 0;
    const int fd = BoundLoopbackSocket(port);
    close(fd);
    return port;
}

int ClosedLoopbackPort() {
    return FreeLoopbackPort();
}

bool WaitForListener(int port, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = LoopbackAddress(port);
        const bool up = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (up) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

SilentListener::SilentListener() {
    fd = BoundLoopbackSocket(port);
    if (listen(fd, 8) != 0) {
        close(fd);
        throw std::runtime_error("listen on 127.0.0.1 failed");
    }
}

SilentListener::~SilentListener() {
    close(fd);
}
