#include "net/LibsshConnection.h"

#include <chrono>
#include <memory>

#include "platform/TcpConnect.h"

LibSshSessionPtr ConnectLibssh(const std::string& host, std::uint16_t port,
                               const std::string& user) {
    auto connection = std::make_shared<LibSshSession>();
    if (!*connection) throw std::string("Creating session failed");
    ssh_session handle = connection->get();
    const long timeout_seconds = 60;
    // The client's own socket, which no child program inherits (libssh's own would be).
    const SocketHandle fd =
        TcpConnect(host, port, std::chrono::seconds(timeout_seconds), [] { return false; });
    if (fd == kNoSocket) throw std::string("Connect failed");
    socket_t socket = fd;
    ssh_options_set(handle, SSH_OPTIONS_FD, &socket);  // the library closes it from now on
    const unsigned int port_value = port;
    const int no_delay = 1;
    const bool process_config = false;
    ssh_options_set(handle, SSH_OPTIONS_HOST, host.c_str());
    ssh_options_set(handle, SSH_OPTIONS_PORT, &port_value);
    ssh_options_set(handle, SSH_OPTIONS_USER, user.c_str());
    ssh_options_set(handle, SSH_OPTIONS_TIMEOUT, &timeout_seconds);
    // libssh leaves Nagle on; with it small desktop updates wait for acknowledgements.
    ssh_options_set(handle, SSH_OPTIONS_NODELAY, &no_delay);
    ssh_options_set(handle, SSH_OPTIONS_PROCESS_CONFIG, &process_config);
    if (ssh_connect(handle) != SSH_OK) throw std::string("Connect failed");
    return connection;
}

void AuthenticateWithKeyText(const LibSshSession& connection, const std::string& pem) {
    ssh_key key = nullptr;
    if (ssh_pki_import_privkey_base64(pem.c_str(), nullptr, nullptr, nullptr, &key) != SSH_OK) {
        throw std::string("auth failed");
    }
    // Asking for "none" first, as OpenSSH's client does, makes sure the server's list of
    // signature algorithms has arrived: without it libssh signs with SHA-1 "ssh-rsa", which it
    // refuses itself, and a server that sends the list a moment after the key exchange would
    // see a refusal now and then.
    int result = ssh_userauth_none(connection.get(), nullptr);
    if (result != SSH_AUTH_SUCCESS) result = ssh_userauth_publickey(connection.get(), nullptr, key);
    ssh_key_free(key);
    if (result != SSH_AUTH_SUCCESS) throw std::string("auth failed");
}
