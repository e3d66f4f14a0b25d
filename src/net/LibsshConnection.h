#pragma once

#include <cstdint>
#include <string>

#include "net/LibSshSession.h"

// The in-process SSH connection that a session request uses and its tunnel thread shares.

// Creates the session and connects as user to host:port (the port is always set, never left to
// libssh's default), with a 60-second time-out and Nagle off. The user's SSH configuration
// files are not read and the host key is not checked. Throws "Creating session failed" or
// "Connect failed".
LibSshSessionPtr ConnectLibssh(const std::string& host, std::uint16_t port,
                               const std::string& user);

// Public-key authentication with a PEM private key given as text: the key is imported from
// memory and never touches the disk. Throws "auth failed", also for a key that cannot be read.
void AuthenticateWithKeyText(const LibSshSession& connection, const std::string& pem);
