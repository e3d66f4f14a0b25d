#pragma once

#include <string>
#include <vector>

#include "platform/CommandLine.h"

// One local forwarding of a forwarding ssh: local_port on 127.0.0.1 leads to host:remote_port
// as seen from the far end.
struct SshForward {
    int local_port = 0;
    std::string host;
    int remote_port = 0;
};

// The argument after "-L": local:host:remote, an IPv6 host in brackets (ssh reads the colons of
// a bare address as more fields and refuses the forwarding).
std::string SshForwardArgument(const SshForward& forward);

// Every forwarding ssh the client starts is built here:
//   <program> -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no
//   -o ExitOnForwardFailure=yes <leading...>
//   -i <key file> -l mirlnx -L <forward> ... <trailing...>
CommandLine ForwardingSshLine(const std::string& program, const std::vector<std::string>& leading,
                              const std::string& key_file, const std::vector<SshForward>& forwards,
                              const std::vector<std::string>& trailing);
