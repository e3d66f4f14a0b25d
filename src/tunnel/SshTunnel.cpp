#include "tunnel/SshTunnel.h"

#include <algorithm>
#include <utility>

#include "net/ForwardingRule.h"
#include "platform/Deadline.h"
#include "records/Events.h"
#include "records/WorkerRegistry.h"
#include "tunnel/ListenPort.h"

namespace {
const char* const kFinished = "Tunnel connection finished";
const char* const kAcceptFailed = "Nxproxy failed to connect";
const char* const kChannelFailed = "Tunnel connection failed";
const char* const kOriginator = "127.0.0.1";
constexpr int kLocalCheckEvery = 4;
}  // namespace

SshTunnel::SshTunnel(wxEvtHandler* sink, LibSshSessionPtr connection, const MirlNxSession& session)
    : wxThread(wxTHREAD_DETACHED), sink(sink), connection(std::move(connection)), session(session) {
    worker_registry::Add(this, [this] { stop.Raise(); });
}

SshTunnel::~SshTunnel() {
    worker_registry::Remove(this);
}

wxThread::ExitCode SshTunnel::Entry() {
    try {
        Serve();
    } catch (const std::string& message) {
        QueueThreadEvent(sink, EVT_SESSION_FAILURE, message);
    } catch (...) {
        QueueThreadEvent(sink, EVT_SESSION_FAILURE, std::string(kChannelFailed));
    }
    // Freed here, while the thread still counts as alive: the application finalises libssh
    // only once no worker is left that could be inside it.
    connection.reset();
    return nullptr;
}

void SshTunnel::Serve() {
    const ForwardingRule target = LocalForwarding(session);
    ListenPort port;
    port.Listen(target.local_port);
    QueueThreadEvent(sink, EVT_SESSION_READY, session);

    const SocketHandle local = port.Accept(kAcceptLimit, [this] { return stop.Raised(); });
    if (local == kNoSocket) {
        // The port is given back before the end is told: the next session may listen on it
        // at once.
        port.Close();
        // A stop request is no failure: the application asked for the end.
        if (stop.Raised()) {
            QueueThreadEvent(sink, EVT_TUNNEL_FINISHED, std::string(kFinished));
        } else {
            QueueThreadEvent(sink, EVT_SESSION_FAILURE, std::string(kAcceptFailed));
        }
        return;
    }
    QueueThreadEvent(sink, EVT_MAP_DRIVES, session.login);

    ssh_channel channel =
        OpenForwardChannel(target.local_port, target.remote_host, target.remote_port);
    if (channel == nullptr) {
        port.Close();
        if (stop.Raised()) {
            QueueThreadEvent(sink, EVT_TUNNEL_FINISHED, std::string(kFinished));
        } else {
            QueueThreadEvent(sink, EVT_SESSION_FAILURE, std::string(kChannelFailed));
        }
        return;
    }
    Forward(local, channel);
    port.Close();
    QueueThreadEvent(sink, EVT_TUNNEL_FINISHED, std::string(kFinished));
    ssh_channel_close(channel);
    ssh_channel_free(channel);
}

ssh_channel SshTunnel::OpenForwardChannel(std::uint16_t local_port, const std::string& host,
                                          std::uint16_t remote_port) {
    const auto attempt = [&]() -> ssh_channel {
        ssh_channel channel = ssh_channel_new(connection->get());
        if (channel == nullptr) return nullptr;
        if (ssh_channel_open_forward(channel, host.c_str(), remote_port, kOriginator, local_port) ==
                SSH_OK &&
            ssh_channel_is_open(channel) != 0) {
            return channel;
        }
        ssh_channel_free(channel);
        return nullptr;
    };
    ssh_channel channel = attempt();
    for (int retry = 0; channel == nullptr && retry < kForwardRetries; ++retry) {
        if (!stop.WaitFor(kForwardRetryPause)) return nullptr;
        channel = attempt();
    }
    return channel;
}

SshTunnel::Readiness SshTunnel::WaitForData(SocketHandle local, ssh_channel channel) {
    ssh_session ssh = connection->get();
    // Takes in what has arrived on the SSH connection, without waiting. Non-zero also stands
    // for an end of file or an error, which the read then reports.
    const auto channel_ready = [channel] {
        return ssh_channel_poll(channel, 0) != 0 || ssh_channel_poll(channel, 1) != 0;
    };
    Readiness ready;
    ready.channel = channel_ready();
    // While the channel keeps delivering, look at the local socket only every few rounds: a
    // system call per round is a good part of the cost of a bulk transfer, and a few rounds of
    // 10240 bytes are no delay for the viewer's input.
    if (!ready.channel || ++rounds_since_local_check >= kLocalCheckEvery) {
        rounds_since_local_check = 0;
        ready.local = WaitReadable(local, std::chrono::milliseconds(0)) != 0;
    }
    const Deadline deadline(kSelectWait);
    while (!ready.channel && !ready.local) {
        const std::chrono::milliseconds left = deadline.Left();
        if (left.count() <= 0) break;
        // libssh may hold output it could not write at once (a window adjustment after a
        // read); let the wait end when it can go.
        const bool output_waiting = (ssh_get_poll_flags(ssh) & SSH_WRITE_PENDING) != 0;
        const SocketPairState state = WaitForPair(local, ssh_get_fd(ssh), output_waiting, left);
        if (state.failed) {
            ready.failed = true;
            break;
        }
        if (state.remote_writable) ssh_blocking_flush(ssh, 0);
        ready.local = state.local_readable;
        if (state.remote_readable || state.remote_writable) ready.channel = channel_ready();
    }
    return ready;
}

bool SshTunnel::WriteToChannel(ssh_channel channel, const char* data, int size) {
    int written = 0;
    while (written < size) {
        // Lets libssh write straight away instead of waiting for its poll to say so.
        ssh_set_fd_towrite(connection->get());
        const int result =
            ssh_channel_write(channel, data + written, static_cast<uint32_t>(size - written));
        if (result <= 0) return false;
        written += result;
    }
    return true;
}

void SshTunnel::Forward(SocketHandle local, ssh_channel channel) {
    // Buffer A takes what the viewer sends and the discarded standard-error data; buffer B what
    // the desktop sends. Both live here for the whole forwarding: the loop allocates nothing.
    char from_local[kBufferSize];
    char from_channel[kBufferSize];
    int pending = 0;
    int position = 0;
    bool running = true;

    while (running && !stop.Raised()) {
        const Readiness ready = WaitForData(local, channel);
        if (ready.failed) break;

        if (ready.local) {
            const long received = ReceiveSome(local, from_local, kBufferSize);
            if (received <= 0 || !WriteToChannel(channel, from_local, static_cast<int>(received))) {
                running = false;
            }
        }
        if (!running) break;

        if (ready.channel && pending == 0) {
            const int read = ssh_channel_read_nonblocking(channel, from_channel, kBufferSize, 0);
            if (read == SSH_ERROR || read == SSH_EOF) {
                running = false;
            } else if (read > 0) {
                pending = read;
                position = 0;
            } else {
                // Only standard-error data, or nothing: drain it, never forward it.
                ssh_channel_read_nonblocking(channel, from_local, kBufferSize, 1);
                // After the far side's end of file the channel keeps showing ready; once its
                // data is gone, stop rather than select on it again and again.
                if (ssh_channel_is_eof(channel) != 0 || ssh_channel_is_open(channel) == 0) {
                    running = false;
                }
            }
        }

        while (pending > 0 && running) {
            const long sent = SendSome(local, from_channel + position, pending);
            if (sent < 0 && LastCallWouldBlock()) break;  // the rest waits for a later round
            if (sent <= 0) {
                running = false;
                break;
            }
            pending -= static_cast<int>(sent);
            position += static_cast<int>(sent);
        }
    }
}
