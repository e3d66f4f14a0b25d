#pragma once

#include <libssh/sftp.h>

#include <memory>

#include "net/LibSshSession.h"

// Shared owner of one SFTP session. It holds the SSH connection it runs on, so the connection
// outlives the SFTP session; the last holder frees the SFTP session before letting go of it.
class LibSshSftp {
  public:
    explicit LibSshSftp(LibSshSessionPtr connection);
    ~LibSshSftp();
    LibSshSftp(const LibSshSftp&) = delete;
    LibSshSftp& operator=(const LibSshSftp&) = delete;

    sftp_session get() const { return sftp; }
    explicit operator bool() const { return sftp != nullptr; }

  private:
    sftp_session sftp;
    LibSshSessionPtr connection;
};

using LibSshSftpPtr = std::shared_ptr<LibSshSftp>;
