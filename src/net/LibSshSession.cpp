#include "net/LibSshSession.h"

#include <cstdint>

LibSshSession::LibSshSession() : session(ssh_new()) {}

LibSshSession::~LibSshSession() {
    if (session != nullptr) {
        ssh_disconnect(session);
        ssh_free(session);
    }
    if (owned_socket != kNoSocket) ShutdownAndClose(owned_socket);
}

bool LibSshSession::UseSocket(SocketHandle socket) {
    if (owned_socket != kNoSocket) ShutdownAndClose(owned_socket);
    owned_socket = socket;
    // libssh keeps only the low 16 bits of the number it is given.
    if (session == nullptr || static_cast<std::uint64_t>(socket) > 0xffff) return false;
    socket_t value = socket;
    return ssh_options_set(session, SSH_OPTIONS_FD, &value) == SSH_OK;
}
