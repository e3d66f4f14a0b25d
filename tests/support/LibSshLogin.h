#pragma once

#include <string>

#include "net/LibSshSession.h"

// An in-process SSH connection to a test's sshd on 127.0.0.1:port as the current user,
// authenticated with the session-request key of the build (never written anywhere).
LibSshSessionPtr LoginAsCurrentUser(int port);

std::string CurrentUserName();
// The PEM text of a key of the build, "session_request_key" or "tunnel_key", its file, and
// the file of its public half (always beside the generated keys).
std::string BuildKeyText(const std::string& name);
std::string BuildKeyFile(const std::string& name);
std::string BuildPublicKeyFile(const std::string& name);
