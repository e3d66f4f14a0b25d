#pragma once

#include <sys/types.h>

// Established TCP connections that process pid holds to 127.0.0.1:remote_port (IPv4), read
// from /proc: which side of a test still keeps a connection to a server.
int EstablishedConnections(pid_t pid, int remote_port);
