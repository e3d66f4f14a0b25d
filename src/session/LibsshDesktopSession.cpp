#include "session/LibsshDesktopSession.h"

#include <cstring>
#include <optional>

#include "config/Deployment.h"
#include "net/LibsshConnection.h"
#include "session/SessionDocuments.h"

namespace {
const char* const kAccount = "mirlnx";
constexpr int kReplyBufferSize = 256;

// The key is imported from memory and never written to a file, so the message for a key file
// that could not be written, "fwrite failed", does not arise; it stays reserved for that step.

// Owns the request channel only until it is open: an open one stays with the connection.
struct ChannelUntilOpen {
    ssh_channel channel;
    bool open = false;
    ~ChannelUntilOpen() {
        if (channel != nullptr && !open) ssh_channel_free(channel);
    }
};
}  // namespace

SshSessionRequest RequestSessionOverSsh(const MirlNxServer& server, const MirlNxLogin& login,
                                        const std::string& key_pem) {
    LibSshSessionPtr connection;
    try {
        connection = ConnectLibssh({server.host, server.port, kAccount, "", key_pem});
    } catch (const SshFailure& failure) {
        switch (failure.step) {
            case SshStep::kCreate:
                throw std::string("Creating session failed");
            case SshStep::kConnect:
                throw std::string("Connect failed");
            case SshStep::kAuthenticate:
                throw std::string("auth failed");
        }
    }

    ChannelUntilOpen request{ssh_channel_new(connection->get())};
    if (request.channel == nullptr) throw std::string("channel failed");
    if (ssh_channel_open_session(request.channel) != SSH_OK) {
        throw std::string("channel open failed");
    }
    request.open = true;

    const std::string document = BuildSessionRequest(login, DesktopRoute::Plain);
    // Failures of these three show up as a missing or unreadable reply.
    ssh_channel_request_shell(request.channel);
    ssh_channel_write(request.channel, document.data(), static_cast<uint32_t>(document.size()));
    ssh_channel_write(request.channel, "\n", 1);

    // The service answers with one line, expected whole in this one read.
    char buffer[kReplyBufferSize] = {};
    const int read = ssh_channel_read(request.channel, buffer, kReplyBufferSize, 0);
    std::string reply;
    if (read > 0) {
        buffer[read - 1] = '\0';  // the line feed that ends the reply
        reply.assign(buffer, strnlen(buffer, kReplyBufferSize));
    }
    // An error or an empty read leaves the reply empty, which fails as a decode error: nothing
    // left in the buffer from before is ever read as a reply.
    MirlNxSession session = ReadSessionReply(reply, login, std::nullopt);
    return {std::move(connection), std::move(session)};
}

LibsshDesktopSession::LibsshDesktopSession(TunnelFactory make_tunnel)
    : LibsshDesktopSession(BuiltInDeployment().session_request_key, std::move(make_tunnel)) {}

LibsshDesktopSession::LibsshDesktopSession(std::string key_pem, TunnelFactory make_tunnel)
    : key_pem(std::move(key_pem)), make_tunnel(std::move(make_tunnel)) {}

std::pair<MirlNxSession, TunnelHandles> LibsshDesktopSession::CreateSession(
    wxEvtHandler* sink, const MirlNxServer& server, const MirlNxLogin& login) {
    SshSessionRequest request = RequestSessionOverSsh(server, login, key_pem);
    SshTunnel* tunnel = make_tunnel(sink, std::move(request.connection), request.session);
    return {request.session, {tunnel, nullptr}};
}
