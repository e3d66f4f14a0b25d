#pragma once

#include <wx/event.h>

#include <chrono>
#include <string>

#include "platform/CommandLine.h"
#include "platform/ProgramLayout.h"
#include "records/Records.h"
#include "session/ForwardingReadiness.h"

class OpensshProcess;

// The forwarding ssh's command:
//   <working folder>/openssh/ssh -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no
//   -p <server port> -v -i <key file> -l mirlnx -L <local>:<session host>:<remote> <server host>
// with the local and remote ports of LocalForwarding (throws its message for a session port
// that leaves no local port, and kInvalidServerHost for a server host that is no host name).
CommandLine BuildSshCommandLine(const ProgramLayout& layout, const std::string& working_folder,
                                const MirlNxServer& server, const MirlNxSession& session,
                                const std::string& key_file);

// Whether a line of ssh's output starts with kForwardingReadyMarker (session/ForwardingReadiness).
bool IsForwardingReadyLine(const std::string& line);

struct ForwardingOptions {
    ProgramLayout layout;
    std::string working_folder;  // holds openssh/ssh; the application's working folder
    std::string temp_folder;     // where the key file lives while ssh reads it
    std::string tunnel_key;      // PEM text
    // ssh that neither reports the forwarding nor ends within this time is killed.
    std::chrono::milliseconds ready_timeout{std::chrono::seconds(30)};
};

// The application's: native layout, current working folder, system temporary folder, the
// built-in tunnel key.
ForwardingOptions DefaultForwardingOptions();

// Starts ssh with the session's local forwarding and blocks (bounded by ready_timeout) until the
// forwarding is ready (ForwardingReadiness: authenticated, reported listening, and the local
// port accepting while ssh runs); returns the running process, which the caller owns. Throws a
// std::string message when the local port is taken, or ssh cannot start, ends, or is not ready
// in time; ssh is then killed. The key file (readable by its owner only) is removed on every path
// before returning. Nothing is queued to sink by this call; the process queues EVT_TUNNEL_FINISHED
// when ssh ends.
OpensshProcess* StartSshForwarding(wxEvtHandler* sink, const MirlNxServer& server,
                                   const MirlNxSession& session,
                                   const ForwardingOptions& options = DefaultForwardingOptions());
