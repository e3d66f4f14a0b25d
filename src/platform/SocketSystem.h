#pragma once

// The system's socket headers, for the platform's own socket files only.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include "platform/LoopbackSocket.h"

// Sets a socket time-out option (SO_RCVTIMEO, SO_SNDTIMEO) in the system's own form.
bool SetTimeout(SocketHandle socket, int option, std::chrono::milliseconds timeout);
// The address option of a listening socket. POSIX: SO_REUSEADDR, so that a port whose last
// connection is in TIME_WAIT can be listened on again. Windows: SO_EXCLUSIVEADDRUSE, since
// SO_REUSEADDR there lets another program bind the same port and take the connection.
void SetListeningAddressOption(SocketHandle socket);
