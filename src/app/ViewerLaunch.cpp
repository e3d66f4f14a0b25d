// Starting the programs that show a ready desktop session, and mapping the network drives.
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include <iostream>
#include <map>

#include "app/MirlNxApp.h"
#include "app/MirlNxProcess.h"
#include "app/ViewerCommands.h"
#include "config/Deployment.h"
#include "platform/ChildProgram.h"
#include "platform/DiagnosticLog.h"
#include "platform/HeldCommand.h"
#include "platform/LocaleText.h"
#include "platform/ProgramLayout.h"
#include "platform/TemporaryKeyFile.h"
#include "service/Sha256Hex.h"

namespace {
void RunScript(const CommandLine& command,
               const std::map<std::string, std::string>& environment = {}) {
    ProgramStart start{command};
    start.environment = environment;
    // A mapping is stopped and undone by drive_unmap, also after the client has ended.
    start.ends_with_client = false;
    StartChildProgram(start, nullptr);
}

// The programs one session starts, with where and how.
struct SessionPrograms {
    ProgramStart viewer;
    std::string viewer_name;
    ProgramStart xserver;
    bool nx = false;
};
}  // namespace

MirlNxProcess* MirlNxApp::StartProgram(const ProgramStart& start, wxEventType end_event) {
    auto* process = new MirlNxProcess(this, end_event);
    if (StartChildProgram(start, process) == 0) {
        delete process;  // it never ran, so no end will be reported for it
        return nullptr;
    }
    process->StartReading();
    return process;
}

void MirlNxApp::AbandonSession(const std::string& message) {
    StopPrinterThread();
    StopTunnel();
    ShowIdle();
    ShowMessage("Connection failed", message);
}

void MirlNxApp::OnSessionReady(wxThreadEvent& event) {
    const ProgramLayout layout = NativeLayout();
    const MirlNxSession session = event.GetPayload<MirlNxSession>();
    webdav_forwarded = session.tunnel_mode && session.webdav.port != 0;
    for (const DriveEndpoint* drive : {&session.ftp, &session.webdav}) {
        if (drive->port != 0) LogSecret(Sha256Hex(drive->salt + session.login.password));
    }
    LogSecret(session.cookie);
    LogStep("session ready: protocol " + LogName(session.protocol) + ", port " +
            std::to_string(session.port) + (session.tunnel_mode ? ", tunnel mode" : "") +
            (session.websock ? ", web socket" : "") + ", FTP port " +
            std::to_string(session.ftp.port) + ", WebDAV port " +
            std::to_string(session.webdav.port));
    std::string cwd, temp_dir;
    try {
        cwd = LocaleFolderName(wxFileName::GetCwd());
        temp_dir = LocaleFolderName(wxStandardPaths::Get().GetTempDir());
    } catch (const std::string& message) {
        AbandonSession(message);
        return;
    }

    frame->SetDesktopStatus("Connected");
    frame->SetConnectButton("Disconnect", true);

    // Every command first: a session whose numbers leave no local port ends here, with nothing
    // started.
    SessionPrograms programs{ProgramStart{CommandLine("")}, "", ProgramStart{CommandLine("")}};
    try {
        if (session.protocol == "vnc") {
            programs.viewer = ProgramStart{
                VncViewerCommand(layout, cwd, session, BuiltInDeployment().desktop_proxy),
                layout.ProgramFolder(cwd, layout.viewer_folder)};
            programs.viewer.hide_console = false;
            programs.viewer.environment = VncViewerEnvironment(layout, session);
            programs.viewer_name = layout.viewer_program;
        } else {
            programs.nx = true;
            programs.xserver = ProgramStart{XServerCommand(layout, cwd),
                                            layout.ProgramFolder(cwd, layout.xserver_folder)};
            programs.xserver.hide_console = false;  // its windows are the remote desktop's
            programs.viewer = ProgramStart{NxProxyCommand(layout, cwd, session, temp_dir),
                                           layout.ProgramFolder(cwd, layout.nxproxy_folder)};
            programs.viewer.environment = NxProxyEnvironment(layout, session);
            programs.viewer_name = layout.nxproxy_program;
        }
        programs.viewer.group_leader = true;
        if (session.tunnel_mode) ForwardingSshCommand(layout, cwd, session, "");
    } catch (const std::string& message) {
        AbandonSession(message);
        return;
    }

    if (programs.nx && xserver_process == nullptr) {
        xserver_process = StartProgram(programs.xserver, EVT_XSERVER_END);
        if (xserver_process == nullptr) {
            AbandonSession("Cannot start " + layout.xserver_program);
            return;
        }
    }

    const MirlNxLogin login = session.login;
    if (session.tunnel_mode) {
        // An earlier session's ssh, told to end, keeps its key until it has.
        RetireProgram(ssh_process, std::move(ssh_key));
        try {
            ssh_key = std::make_unique<TemporaryKeyFile>(temp_dir, BuiltInDeployment().tunnel_key);
        } catch (const std::string& message) {
            AbandonSession(message);
            return;
        }
        if (drive_unmap == nullptr) {
            drive_unmap = std::make_unique<HeldCommand>(UnmapFtpCommand(layout));
        }
        if (session.ftp.port != 0) {
            RunScript(MapFtpCommand(layout, login.username, session.ftp.salt, login.password),
                      MapFtpEnvironment(layout, session.ftp.salt, login.password));
        }
        ssh_process =
            StartProgram(ProgramStart{ForwardingSshCommand(layout, cwd, session, ssh_key->path()),
                                      layout.ProgramFolder(cwd, layout.ssh_folder)},
                         EVT_SSH_END);
        if (ssh_process == nullptr) {
            ssh_key.reset();
            // The drive was mapped for this ssh's forwarding, which will never come.
            drive_unmap.reset();
            AbandonSession("Cannot start " + layout.ssh_program);
            return;
        }
    }

    viewer_process = StartProgram(programs.viewer, EVT_VIEWER_END);
    if (viewer_process == nullptr) {
        // This session's forwarding ssh goes; an X server kept from an earlier session stays.
        if (ssh_process != nullptr) ssh_process->End();
        AbandonSession("Cannot start " + programs.viewer_name);
        return;
    }
    wxYield();
}

void MirlNxApp::OnMapDrives(wxThreadEvent&) {
    // Only the user's own forwarding may be mapped: on a shared computer whoever listens on the
    // drive's port would otherwise be handed the user's files.
    if (!webdav_forwarded) {
        LogStep("WebDAV drive not mapped: this session does not forward it");
        return;
    }
    RunScript(MapWebdavCommand(NativeLayout()));
}

void MirlNxApp::OnXServerEnd(wxCommandEvent&) {
    delete xserver_process;
    xserver_process = nullptr;
}

void MirlNxApp::OnSshEnd(wxCommandEvent&) {
    retired.ReleaseEnded();
    if (ssh_process != nullptr && ssh_process->HasEnded()) {
        // An ssh that gave up by itself at its start (a local port taken, the host refusing)
        // took the desktop's way with it: the session ends and says why, rather than show
        // "Connected". A later end (the desktop host closing the connection) is the session's.
        // The toolkit reports ssh's own status 255 as -1.
        const int status = ssh_process->ExitStatus();
        const bool failed = viewer_process != nullptr && ssh_process->FailedAtLaunch();
        const std::string reason = ssh_process->LastErrorLine();
        LogStep("forwarding ssh ended with status " + std::to_string(status));
        delete ssh_process;
        ssh_process = nullptr;
        // The key was only for that ssh, and the drives went through it.
        ssh_key.reset();
        drive_unmap.reset();
        if (failed) {
            viewer_process->End(EndScope::Group);
            ShowMessage("Connection failed",
                        reason.empty()
                            ? "The forwarding ssh ended with status " + std::to_string(status)
                            : reason);
        }
    }
    std::cerr << "MirlNxApp::OnSshEnd" << std::endl;
}
