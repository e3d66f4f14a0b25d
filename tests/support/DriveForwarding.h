#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"
#include "support/Sandbox.h"
#include "support/ScopedVariable.h"

// The fixed local drive ports (8021, 8022) for one holder at a time on the machine: the
// constructor waits (bounded) for a lock that the destructor releases.
class DrivePortsLock {
  public:
    DrivePortsLock();
    ~DrivePortsLock();
    DrivePortsLock(const DrivePortsLock&) = delete;
    DrivePortsLock& operator=(const DrivePortsLock&) = delete;

  private:
    int fd = -1;
};

// The session's forwarding of the drive ports to the sandbox's FTP and WebDAV servers (a
// sandbox started with drives and ssh): a real OpenSSH client on the fixed local ports 8021,
// the FTP data port beside the server's, and 8022, as the client's forwarding ssh opens them.
class DriveForwarding {
  public:
    explicit DriveForwarding(const Sandbox& sandbox);
    ~DriveForwarding();
    DriveForwarding(const DriveForwarding&) = delete;
    DriveForwarding& operator=(const DriveForwarding&) = delete;

    // Starts the forwarding and waits until its ports listen; false when they do not.
    bool Start();

  private:
    const Sandbox& sandbox;
    DrivePortsLock ports;
    std::unique_ptr<ChildProcess> ssh;
};

// A session bus of its own for the process (DBUS_SESSION_BUS_ADDRESS) while it exists, so gio
// mounts land in a private GVFS and end with it.
class PrivateSessionBus {
  public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // The URIs of the mounts gio lists on this bus, sorted, each followed by a blank.
    std::string Mounts() const;

  private:
    std::unique_ptr<ChildProcess> daemon;
    std::unique_ptr<ScopedVariable> address;
};
