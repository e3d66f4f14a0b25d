#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

// A real VNC desktop for tests: TigerVNC's Xvnc on a free loopback port, with the given VNC
// password (at most 8 characters count), logging its connections for the test to read.
class VncServer {
  public:
    explicit VncServer(const std::string& password);

    int Port() const { return port; }
    std::string Log() const;
    // Waits (bounded) until the log holds the text.
    bool WaitForLog(const std::string& text, std::chrono::milliseconds timeout) const;

    // Log text that shows a viewer got past the password to the desktop.
    static constexpr const char* kViewerIn = "Server default pixel format";
    static constexpr const char* kViewerGone = "Connections: closed";

  private:
    TempDir dir;
    std::unique_ptr<ChildProcess> server;
    int port = 0;
};
