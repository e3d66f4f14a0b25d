#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"

// A throw-away second user of this computer (the tests run as root): added by the constructor,
// removed with its processes by the destructor. It stands for another person on a shared
// machine who tries to get at the session's loopback ports first.
class OtherUser {
  public:
    OtherUser();
    ~OtherUser();
    OtherUser(const OtherUser&) = delete;
    OtherUser& operator=(const OtherUser&) = delete;

    const std::string& name() const { return user; }
    // Listens as this user on 127.0.0.1:port (accepting, holding what it accepts); returns once
    // it listens. Throws std::runtime_error when it cannot.
    std::unique_ptr<ChildProcess> Listen(int port) const;
    // Connects as this user to 127.0.0.1:port and holds the connection; returns once connected
    // ("CONNECTED") or refused ("REFUSED"), the line it printed.
    std::string Connect(int port, std::unique_ptr<ChildProcess>& holder) const;

  private:
    std::string user;
};
