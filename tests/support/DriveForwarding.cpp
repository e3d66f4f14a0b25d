#include "support/DriveForwarding.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <thread>
#include <vector>

#include "support/LibSshLogin.h"
#include "support/LoopbackPorts.h"

DrivePortsLock::DrivePortsLock()
    : fd(open("/tmp/tollivance-drive-ports.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666)) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(150);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            close(fd);
            throw std::runtime_error("the drive ports stayed busy");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

DrivePortsLock::~DrivePortsLock() {
    close(fd);
}

DriveForwarding::DriveForwarding(const Sandbox& sandbox_) : sandbox(sandbox_) {}

DriveForwarding::~DriveForwarding() {
    ssh.reset();
}

bool DriveForwarding::Start() {
    const std::string ftp = std::to_string(sandbox.Port("ftp"));
    const std::string data = std::to_string(sandbox.Port("ftp") + 1);
    ssh = std::make_unique<ChildProcess>(
        std::vector<std::string>{std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux/openssh/ssh",
                                 "-N",
                                 "-o",
                                 "ExitOnForwardFailure=yes",
                                 "-o",
                                 "UserKnownHostsFile=/dev/null",
                                 "-o",
                                 "StrictHostKeyChecking=no",
                                 "-o",
                                 "LogLevel=ERROR",
                                 "-i",
                                 BuildKeyFile("tunnel_key"),
                                 "-l",
                                 "mirlnx",
                                 "-L",
                                 "8021:127.0.0.2:" + ftp,
                                 "-L",
                                 data + ":127.0.0.2:" + data,
                                 "-L",
                                 "8022:127.0.0.2:" + std::to_string(sandbox.Port("webdav")),
                                 "-p",
                                 std::to_string(sandbox.Port("ssh")),
                                 "127.0.0.1"});
    return WaitForListener(8021, 20000) && WaitForListener(8022, 5000);
}

PrivateSessionBus::PrivateSessionBus() {
    daemon = std::make_unique<ChildProcess>(std::vector<std::string>{
        "dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"});
    address = std::make_unique<ScopedVariable>("DBUS_SESSION_BUS_ADDRESS",
                                               daemon->WaitForLine("", std::chrono::seconds(20)));
}

PrivateSessionBus::~PrivateSessionBus() {
    address.reset();
    daemon.reset();  // GVFS's daemons end with their bus
}

std::string PrivateSessionBus::Mounts() const {
    FILE* list = popen(
        "gio mount -l 2>/dev/null | sed -n 's/^Mount([0-9]*): .* -> //p' | sort | tr '\\n' ' '",
        "r");
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, list)) > 0;) text.append(buffer, n);
    pclose(list);
    return text;
}
