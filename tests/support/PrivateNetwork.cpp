#include "support/PrivateNetwork.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "support/ChildProcess.h"

namespace {
std::string Failure(const std::string& what) {
    return what + ": " + std::strerror(errno);
}
}  // namespace

PrivateNetwork::PrivateNetwork() {
    original = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    if (original < 0) throw std::runtime_error(Failure("cannot open the thread's network"));
    // Only this thread moves: the test program's other threads keep the network they have.
    if (unshare(CLONE_NEWNET) != 0) {
        const std::string message = Failure("cannot create a network namespace");
        close(original);
        throw std::runtime_error(message);
    }
    SetLinkUp(true);  // a new namespace starts with its loopback link down
}

PrivateNetwork::~PrivateNetwork() {
    // The namespace goes with the last socket and process in it.
    if (setns(original, CLONE_NEWNET) != 0) std::abort();  // the thread must not stay cut off
    close(original);
}

void PrivateNetwork::SetLinkUp(bool up) {
    ChildProcess ip({"/sbin/ip", "link", "set", "lo", up ? "up" : "down"});
    if (ip.WaitForExit(std::chrono::seconds(10)) != 0) {
        throw std::runtime_error(std::string("ip link set lo ") + (up ? "up" : "down") + " failed");
    }
}
