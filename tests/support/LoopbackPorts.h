#pragma once

#include <netinet/in.h>

// 127.0.0.1 and the port, ready for bind or connect.
sockaddr_in LoopbackAddress(int port);
// A loopback TCP port that was free a moment ago.
int FreeLoopbackPort();
// A loopback port on which nothing listens: connecting to it is refused.
int ClosedLoopbackPort();
// True once something accepts connections on 127.0.0.1:port.
bool WaitForListener(int port, int timeout_ms);

// A loopback port that completes TCP connections (the kernel's backlog) but never reads or
// answers: a service that accepts and then stays silent.
class SilentListener {
  public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int Port() const { return port; }

  private:
    int fd = -1;
    int port = 0;
};
