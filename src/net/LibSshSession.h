#pragma once

#include <libssh/libssh.h>

#include <memory>

// Shared owner of one libssh session: create it with std::make_shared so that several holders
// can share one SSH connection; the last holder disconnects and frees it.
class LibSshSession {
  public:
    LibSshSession();
    ~LibSshSession();
    LibSshSession(const LibSshSession&) = delete;
    LibSshSession& operator=(const LibSshSession&) = delete;

    ssh_session get() const { return session; }
    explicit operator bool() const { return session != nullptr; }

  private:
    ssh_session session;
};

using LibSshSessionPtr = std::shared_ptr<LibSshSession>;
