#include "support/LoopbackListener.h"

#include <chrono>
#include <stdexcept>
#include <string>

SilentListener::SilentListener() {
    try {
        socket = ListenOnLoopback(0, std::chrono::seconds(30));
    } catch (const std::string& message) {
        throw std::runtime_error("the silent listener could not listen: " + message);
    }
    port = LocalPort(socket);
    if (port == 0) {
        ShutdownAndClose(socket);
        throw std::runtime_error("the silent listener's port is unknown");
    }
}

SilentListener::~SilentListener() {
    ShutdownAndClose(socket);
}

int FreeLoopbackPort() {
    // A port the system just handed out and we gave back: nothing listens on it.
    return SilentListener().Port();
}

int ClosedLoopbackPort() {
    return FreeLoopbackPort();
}
