#pragma once

// A loopback port on which nothing listens: connecting to it is refused.
int ClosedLoopbackPort();

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
