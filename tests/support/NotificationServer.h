#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"

// A private session bus (its own dbus-daemon on a socket in a temporary folder, starting no
// services of its own) with, unless told otherwise, a recording stand-in notification service
// on it. While it exists the process's DBUS_SESSION_BUS_ADDRESS names that bus.
class NotificationServer {
  public:
    struct Shown {
        std::string summary;
        std::string body;
        std::string app;
    };

    enum class Service { Recording, None };
    explicit NotificationServer(Service service = Service::Recording);
    ~NotificationServer();
    NotificationServer(const NotificationServer&) = delete;
    NotificationServer& operator=(const NotificationServer&) = delete;

    // The notifications shown so far, oldest first.
    std::vector<Shown> Notifications() const;

  private:
    TempDir folder;
    std::unique_ptr<ChildProcess> bus;
    std::unique_ptr<ScopedVariable> address;
    std::unique_ptr<ChildProcess> recorder;
};
