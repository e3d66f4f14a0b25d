#pragma once

#include <libssh/libssh.h>

#include <memory>

#include "platform/LoopbackSocket.h"

// Shared owner of one libssh session: create it with std::make_shared so that several holders
// can share one SSH connection; the last holder disconnects and frees it.
class LibSshSession {
  public:
    LibSshSession();
    ~LibSshSession();
    LibSshSession(const LibSshSession&) = delete;
    LibSshSession& operator=(const LibSshSession&) = delete;

    ssh_session get() const { return session; }

    // Hands the session its connected socket (SSH_OPTIONS_FD). libssh never closes a socket it
    // was given, so this object does, after the session is freed.
    bool UseSocket(SocketHandle socket);
    explicit operator bool() const { return session != nullptr; }

  private:
    ssh_session session;
    SocketHandle owned_socket = kNoSocket;
};

using LibSshSessionPtr = std::shared_ptr<LibSshSession>;
