#include "session/OpensshForwarding.h"

#include <wx/filename.h>

#include <thread>

#include "config/Deployment.h"
#include "net/ForwardingRule.h"
#include "net/ForwardingSsh.h"
#include "platform/ChildProgram.h"
#include "platform/Deadline.h"
#include "platform/LocaleText.h"
#include "platform/LoopbackSocket.h"
#include "platform/TemporaryKeyFile.h"
#include "records/ReplyFields.h"
#include "session/ForwardingReadiness.h"
#include "session/OpensshProcess.h"

namespace {

constexpr std::chrono::milliseconds kPollInterval(20);

void KillStarted(OpensshProcess* process, long pid) {
    EndChildProgram(pid, EndScope::Group);  // ssh is started as the leader of its group
    process->Abandon();                     // deletes itself once the toolkit has seen the end
}

}  // namespace

CommandLine BuildSshCommandLine(const ProgramLayout& layout, const std::string& working_folder,
                                const MirlNxServer& server, const MirlNxSession& session,
                                const std::string& key_file) {
    // The one place the server's host is used by name: it must not pass for an option.
    if (!IsHostField(server.host)) throw std::string(kInvalidServerHost);
    const ForwardingRule rule = LocalForwarding(session);
    return ForwardingSshLine(
        layout.Join(layout.ProgramFolder(working_folder, layout.ssh_folder), layout.ssh_program),
        {"-p", std::to_string(server.port), "-v"}, key_file,
        {{rule.local_port, rule.remote_host, rule.remote_port}}, {server.host});
}

bool IsForwardingReadyLine(const std::string& line) {
    return line.rfind(kForwardingReadyMarker, 0) == 0;
}

ForwardingOptions DefaultForwardingOptions() {
    ForwardingOptions options{NativeLayout(), ToLocaleBytes(wxFileName::GetCwd()),
                              ToLocaleBytes(wxFileName::GetTempDir()),
                              BuiltInDeployment().tunnel_key};
    return options;
}

OpensshProcess* StartSshForwarding(wxEvtHandler* sink, const MirlNxServer& server,
                                   const MirlNxSession& session, const ForwardingOptions& options) {
    const ProgramLayout& layout = options.layout;
    const std::string folder = layout.ProgramFolder(options.working_folder, layout.ssh_folder);
    const std::string program = layout.Join(folder, layout.ssh_program);
    if (!IsRunnableProgram(program)) {
        throw std::string("The tunnel program " + program + " cannot be started");
    }
    // Checked before the key is written: a session port without a local port ends here.
    BuildSshCommandLine(layout, options.working_folder, server, session, "");
    // Only ssh's own listener may answer on the local port once it says it is ready.
    const std::uint16_t local_port = LocalForwarding(session).local_port;
    if (!LoopbackPortFree(local_port)) {
        throw std::string("The local port " + std::to_string(local_port) + " is already in use");
    }

    TemporaryKeyFile key(options.temp_folder, options.tunnel_key);
    ProgramStart start{
        BuildSshCommandLine(layout, options.working_folder, server, session, key.path()), folder};
    start.group_leader = true;

    auto* process = new OpensshProcess(sink);
    const long pid = StartChildProgram(start, process);
    if (pid == 0) {
        delete process;  // no child: the toolkit holds no reference to it
        throw std::string("The tunnel program " + program + " could not be started");
    }

    const Deadline deadline(options.ready_timeout);
    ForwardingReadiness readiness(local_port);
    for (;;) {
        bool ended = false;
        readiness.Feed(process->ReadError(ended));
        if (ended) readiness.Finish();
        if (!ended && readiness.Ready()) {
            key.Remove();
            process->KeepDraining();
            return process;
        }
        if (ended) {
            KillStarted(process, pid);
            const std::string reason = readiness.Reason();
            throw std::string("The secure tunnel ended before it was ready") +
                (reason.empty() ? "" : ": " + reason);
        }
        if (deadline.Passed()) {
            KillStarted(process, pid);
            const auto seconds =
                std::chrono::duration_cast<std::chrono::milliseconds>(options.ready_timeout)
                    .count() /
                1000.0;
            throw std::string("The secure tunnel was not ready within ") +
                ToLocaleBytes(wxString::Format("%g", seconds)) + " seconds";
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}
