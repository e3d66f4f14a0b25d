#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/LoopbackPorts.h"
#include "support/TempDir.h"

// A real OpenSSH server for one test or benchmark, on a free loopback port, with its own host
// key, accepting the given public keys for the current user, with internal-sftp and TCP
// forwarding. Extra sshd_config lines may be added (e.g. "PasswordAuthentication yes").
// A log level other than "ERROR" sends sshd's log to a file that Log() reads, for tests that
// count what the server saw.
class OpensshServer {
  public:
    explicit OpensshServer(const std::vector<std::string>& authorized_key_files,
                           const std::vector<std::string>& extra_config = {},
                           const std::string& log_level = "ERROR");

    int Port() const { return port; }
    const std::string& Folder() const { return folder.path(); }
    std::string Log() const;

  private:
    TempDir folder;
    int port = 0;
    std::unique_ptr<ChildProcess> server;
};
