#include "session/OpensshForwarding.h"

#include <wx/filename.h>
#include <wx/utils.h>

#include <thread>

#include "config/Deployment.h"
#include "session/ForwardingReadiness.h"
#include "session/ForwardingRule.h"
#include "session/OpensshProcess.h"
#include "session/TemporaryKeyFile.h"

namespace {

constexpr std::chrono::milliseconds kPollInterval(20);

std::string ProgramFolder(const ProgramLayout& layout, const std::string& working_folder) {
    return layout.Join(working_folder, layout.ssh_folder);
}

// ssh reads an IPv6 address inside a forwarding only in brackets.
std::string ForwardingHost(const std::string& host) {
    return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

void KillStarted(OpensshProcess* process, long pid) {
    // The whole group (ssh is started as its leader); the process alone if that fails.
    if (wxProcess::Kill(static_cast<int>(pid), wxSIGKILL, wxKILL_CHILDREN) != wxKILL_OK) {
        wxProcess::Kill(static_cast<int>(pid), wxSIGKILL);
    }
    process->Abandon();  // deletes itself once the toolkit has seen the end
}

long Execute(const std::vector<std::string>& arguments, OpensshProcess* process,
             wxExecuteEnv& environment) {
    const int flags = wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE | wxEXEC_MAKE_GROUP_LEADER;
#ifdef _WIN32
    return wxExecute(wxString(JoinCommandLine(arguments)), flags, process, &environment);
#else
    // No shell and no splitting: every argument arrives as it is, blanks included.
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return wxExecute(argv.data(), flags, process, &environment);
#endif
}

}  // namespace

std::vector<std::string> BuildSshArguments(const ProgramLayout& layout,
                                           const std::string& working_folder,
                                           const MirlNxServer& server, const MirlNxSession& session,
                                           const std::string& key_file) {
    const ForwardingRule rule = LocalForwarding(session);
    return {layout.Join(ProgramFolder(layout, working_folder), layout.ssh_program),
            "-o",
            "UserKnownHostsFile=/dev/null",
            "-o",
            "StrictHostKeyChecking=no",
            "-p",
            std::to_string(server.port),
            "-v",
            "-i",
            key_file,
            "-l",
            "mirlnx",
            "-L",
            std::to_string(rule.local_port) + ":" + ForwardingHost(rule.remote_host) + ":" +
                std::to_string(rule.remote_port),
            server.host};
}

std::string JoinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty()) line.push_back(' ');
        if (argument.empty() || argument.find_first_of(" \t") != std::string::npos) {
            line += '"' + argument + '"';
        } else {
            line += argument;
        }
    }
    return line;
}

std::string BuildSshCommandLine(const ProgramLayout& layout, const std::string& working_folder,
                                const MirlNxServer& server, const MirlNxSession& session,
                                const std::string& key_file) {
    return JoinCommandLine(BuildSshArguments(layout, working_folder, server, session, key_file));
}

bool IsForwardingReadyLine(const std::string& line) {
    return line.rfind(kForwardingReadyMarker, 0) == 0;
}

ForwardingOptions DefaultForwardingOptions() {
    ForwardingOptions options{NativeLayout(), wxFileName::GetCwd().utf8_string(),
                              wxFileName::GetTempDir().utf8_string(),
                              BuiltInDeployment().tunnel_key};
    return options;
}

OpensshProcess* StartSshForwarding(wxEvtHandler* sink, const MirlNxServer& server,
                                   const MirlNxSession& session, const ForwardingOptions& options) {
    const ProgramLayout& layout = options.layout;
    const std::string folder = ProgramFolder(layout, options.working_folder);
    const std::string program = layout.Join(folder, layout.ssh_program);
    if (!wxFileName::IsFileExecutable(wxString::FromUTF8(program))) {
        throw std::string("The tunnel program " + program + " cannot be started");
    }
    // Checked before the key is written: a session port without a local port ends here.
    BuildSshArguments(layout, options.working_folder, server, session, "");
    // Only ssh's own listener may answer on the local port once it says it is ready.
    const std::uint16_t local_port = LocalForwarding(session).local_port;
    if (!LoopbackPortFree(local_port)) {
        throw std::string("The local port " + std::to_string(local_port) + " is already in use");
    }

    TemporaryKeyFile key(options.temp_folder, options.tunnel_key);
    const std::vector<std::string> arguments =
        BuildSshArguments(layout, options.working_folder, server, session, key.path());

    wxExecuteEnv environment;
    wxGetEnvMap(&environment.env);
    environment.cwd = wxString::FromUTF8(folder);

    auto* process = new OpensshProcess(sink);
    process->Redirect();
    const long pid = Execute(arguments, process, environment);
    if (pid <= 0) {
        delete process;  // no child: the toolkit holds no reference to it
        throw std::string("The tunnel program " + program + " could not be started");
    }

    const auto deadline = std::chrono::steady_clock::now() + options.ready_timeout;
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
        if (std::chrono::steady_clock::now() >= deadline) {
            KillStarted(process, pid);
            const auto seconds =
                std::chrono::duration_cast<std::chrono::milliseconds>(options.ready_timeout)
                    .count() /
                1000.0;
            throw std::string("The secure tunnel was not ready within ") +
                wxString::Format("%g", seconds).utf8_string() + " seconds";
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}
