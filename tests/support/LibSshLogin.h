#pragma once

#include <string>

#include "printing/LibSshSession.h"

// An in-process SSH connection to a test's sshd on 127.0.0.1:port as the current user,
// authenticated with the session-request key of the build (never written anywhere).
LibSshSessionPtr LoginAsCurrentUser(int port);

std::string CurrentUserName();
// The PEM text of a key of the build, e.g. "session_request_key" or "tunnel_key".
std::string BuildKeyText(const std::string& name);
