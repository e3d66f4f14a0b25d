#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "net/LibSshSession.h"
#include "platform/LoopbackSocket.h"

// The one way the client opens an SSH connection: the session request (and the tunnel that
// shares its connection) and the print queue.

// Where to, as whom, and with which credential: a password, or a PEM private key given as text
// (imported from memory, it never touches the disk).
struct SshLogin {
    std::string host;
    std::uint16_t port = 22;  // always set, never left to libssh's default
    std::string user;
    std::string password;
    std::string key_pem;
    // For the TCP connection and for each exchange of the handshake.
    std::chrono::milliseconds timeout{std::chrono::seconds(60)};
};

// What a caller that bounds the blocking calls from another thread (the print queue) hooks in;
// the defaults do nothing.
struct SshWatch {
    // Ends the TCP connect early when it says so.
    std::function<bool()> stopped = [] { return false; };
    // Told the socket as soon as it is connected, and kNoSocket before it is closed on failure.
    std::function<void(SocketHandle)> socket_named = [](SocketHandle) {};
    // Runs one blocking library call (the handshake, the authentication) and returns its result.
    std::function<int(const std::function<int()>&)> call = [](const std::function<int()>& run) {
        return run();
    };
};

// The step an SSH connection failed at.
enum class SshStep { kCreate, kConnect, kAuthenticate };
struct SshFailure {
    SshStep step;
    // The server answered with a refusal (a wrong password), as opposed to a connection that
    // broke or went silent on the way.
    bool refused = false;
};

// Connects over TCP (each address in turn, bounded, a socket no child program inherits), hands
// the socket to a new libssh session (user's configuration files not read, Nagle off), runs the
// handshake and authenticates. The host key is not checked. Throws SshFailure.
LibSshSessionPtr ConnectLibssh(const SshLogin& login, const SshWatch& watch = {});
