#pragma once

// Moves the calling thread into a network namespace of its own, with nothing but a loopback
// link, while it lives: the threads and processes the thread starts meanwhile (a sandbox, a
// worker thread) live there too, and nothing they send can leave it. The link can be taken down
// and brought back: packets are then silently lost, as over a dropped wireless link, while the
// sockets on both sides stay open. Needs the right to create namespaces (root).
class PrivateNetwork {
  public:
    PrivateNetwork();   // throws std::runtime_error when the namespace cannot be had
    ~PrivateNetwork();  // back to the thread's own network
    PrivateNetwork(const PrivateNetwork&) = delete;
    PrivateNetwork& operator=(const PrivateNetwork&) = delete;

    void SetLinkUp(bool up);

  private:
    int original = -1;  // the thread's network before, to go back to
};
