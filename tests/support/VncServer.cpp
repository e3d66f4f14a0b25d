#include "support/VncServer.h"

#include <stdexcept>
#include <thread>

#include "support/LoopbackPorts.h"

VncServer::VncServer(const std::string& password) {
    ChildProcess encode({"/bin/sh", "-c", "printf '%s\\n' \"$0\" | vncpasswd -f >\"$1\"", password,
                         dir.File("passwd")});
    if (encode.WaitForExit(std::chrono::seconds(10)) != 0) {
        throw std::runtime_error("vncpasswd failed");
    }
    port = FreeLoopbackPort();
    server = std::make_unique<ChildProcess>(
        std::vector<std::string>{"Xvnc", "-rfbport", std::to_string(port), "-localhost",
                                 "-SecurityTypes", "VncAuth", "-PasswordFile", dir.File("passwd"),
                                 "-geometry", "640x480", "-depth", "24", "-nolisten", "tcp",
                                 "-displayfd", "1", "-Log", "*:stderr:30"},
        std::vector<std::string>{}, dir.File("xvnc.log"));
    server->WaitForLine("", std::chrono::seconds(20));  // its display number: it is up
    if (!WaitForLog("Listening for VNC connections", std::chrono::seconds(10))) {
        throw std::runtime_error("Xvnc does not listen: " + Log());
    }
}

std::string VncServer::Log() const {
    return ReadWholeFile(dir.File("xvnc.log"));
}

bool VncServer::WaitForLog(const std::string& text, std::chrono::milliseconds timeout) const {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Log().find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}
