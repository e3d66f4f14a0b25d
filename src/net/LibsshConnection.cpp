#include "net/LibsshConnection.h"

#include <memory>

#include "platform/TcpConnect.h"

namespace {
// Asking for "none" first, as OpenSSH's client does, makes sure the server's list of signature
// algorithms has arrived: without it libssh signs with SHA-1 "ssh-rsa", which it refuses
// itself, and a server that sends the list a moment after the key exchange would see a refusal
// now and then.
int AuthenticateWithKey(ssh_session session, const std::string& pem) {
    ssh_key key = nullptr;
    if (ssh_pki_import_privkey_base64(pem.c_str(), nullptr, nullptr, nullptr, &key) != SSH_OK) {
        return SSH_AUTH_DENIED;
    }
    int result = ssh_userauth_none(session, nullptr);
    if (result != SSH_AUTH_SUCCESS) result = ssh_userauth_publickey(session, nullptr, key);
    ssh_key_free(key);
    return result;
}
}  // namespace

LibSshSessionPtr ConnectLibssh(const SshLogin& login, const SshWatch& watch) {
    auto connection = std::make_shared<LibSshSession>();
    if (!*connection) throw SshFailure{SshStep::kCreate};
    const SocketHandle fd = TcpConnect(login.host, login.port, login.timeout, watch.stopped);
    if (fd == kNoSocket) throw SshFailure{SshStep::kConnect};

    if (!connection->UseSocket(fd)) throw SshFailure{SshStep::kConnect};
    ssh_session session = connection->get();
    const unsigned int port = login.port;
    const long timeout_seconds =
        static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(login.timeout).count());
    const int no_delay = 1;
    const int process_config = 0;  // everything the client needs is built in
    ssh_options_set(session, SSH_OPTIONS_HOST, login.host.c_str());
    ssh_options_set(session, SSH_OPTIONS_PORT, &port);
    ssh_options_set(session, SSH_OPTIONS_USER, login.user.c_str());
    ssh_options_set(session, SSH_OPTIONS_TIMEOUT, &timeout_seconds);
    // libssh leaves Nagle on; with it small desktop updates wait for acknowledgements.
    ssh_options_set(session, SSH_OPTIONS_NODELAY, &no_delay);
    ssh_options_set(session, SSH_OPTIONS_PROCESS_CONFIG, &process_config);

    watch.socket_named(fd);
    // On failure the watcher lets go of the socket before the session (declared earlier) closes
    // it.
    struct Unwatch {
        const SshWatch& watch;
        bool armed = true;
        ~Unwatch() {
            if (armed) watch.socket_named(kNoSocket);
        }
    } unwatch{watch};
    if (watch.call([session] { return ssh_connect(session); }) != SSH_OK) {
        throw SshFailure{SshStep::kConnect};
    }
    const int authenticated = watch.call([&] {
        return login.key_pem.empty()
                   ? ssh_userauth_password(session, nullptr, login.password.c_str())
                   : AuthenticateWithKey(session, login.key_pem);
    });
    if (authenticated != SSH_AUTH_SUCCESS) {
        throw SshFailure{SshStep::kAuthenticate,
                         authenticated == SSH_AUTH_DENIED || authenticated == SSH_AUTH_PARTIAL};
    }
    unwatch.armed = false;
    return connection;
}
