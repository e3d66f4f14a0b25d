#pragma once

#include <libssh/libssh.h>
#include <wx/event.h>
#include <wx/thread.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "net/LibSshSession.h"
#include "platform/LoopbackSocket.h"
#include "platform/StopSignal.h"
#include "records/Records.h"

// Carries one local TCP connection through a direct-tcpip channel of an SSH connection that a
// session request opened. Listens on 127.0.0.1 at the session's local port (the forwarding
// rule), queues EVT_SESSION_READY, accepts one connection, queues EVT_MAP_DRIVES, opens the
// channel and copies bytes both ways on this one thread until either side ends, then queues
// EVT_TUNNEL_FINISHED. Failures are queued as EVT_SESSION_FAILURE; nothing is thrown out of the
// thread. Detached: it deletes itself when Entry returns; a stop request (worker_registry, or
// Delete()) ends it within a few seconds.
class SshTunnel : public wxThread {
  public:
    static constexpr int kBufferSize = 10240;
    static constexpr int kForwardRetries = 10;
    static constexpr std::chrono::milliseconds kForwardRetryPause{1000};
    static constexpr std::chrono::seconds kSelectWait{4};
    // How long the viewer has to connect once the port listens.
    static constexpr std::chrono::seconds kAcceptLimit{60};

    SshTunnel(wxEvtHandler* sink, LibSshSessionPtr connection, const MirlNxSession& session);
    ~SshTunnel() override;

    // Opens the forwarding channel with its retries; null when every attempt failed or the
    // thread was asked to stop meanwhile. Call only from the thread itself.
    ssh_channel OpenForwardChannel(std::uint16_t local_port, const std::string& host,
                                   std::uint16_t remote_port);

  protected:
    ExitCode Entry() override;
    // Delete() wakes every wait of the thread at once.
    void OnDelete() override { stop.Raise(); }

  private:
    void Serve();
    // Copies bytes between the local socket and the channel until either side ends, an error
    // occurs or the thread is asked to stop.
    void Forward(SocketHandle local, ssh_channel channel);
    struct Readiness {
        bool channel = false;  // data, standard-error data, end of file or an error
        bool local = false;
        bool failed = false;
    };
    // Waits up to kSelectWait until the channel or the local socket has something to read.
    Readiness WaitForData(SocketHandle local, ssh_channel channel);
    // Writes all of data to the channel; false when a write failed.
    bool WriteToChannel(ssh_channel channel, const char* data, int size);
    wxEvtHandler* sink;
    StopSignal stop;  // raised by Delete()
    LibSshSessionPtr connection;
    int rounds_since_local_check = 0;
    MirlNxSession session;
};
