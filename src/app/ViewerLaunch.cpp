// Starting the programs that show a ready desktop session, and mapping the network drives.
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

#include <iostream>

#include "app/MirlNxApp.h"
#include "app/MirlNxProcess.h"
#include "app/ViewerCommands.h"
#include "config/Deployment.h"
#include "platform/ProgramLayout.h"
#include "session/TemporaryKeyFile.h"

namespace {
std::string Narrow(const wxString& text) {
    return std::string(text.mb_str(wxConvLibc));
}

std::string ProgramPath(const ProgramLayout& layout, const std::string& cwd,
                        const std::string& folder, const std::string& program) {
    return layout.Join(ProgramFolder(layout, cwd, folder), program);
}

void RunScript(const std::string& command) {
    wxExecute(wxString(command.c_str(), wxConvLibc), wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE);
}
}  // namespace

// Starts command (whose program file is program) with a new process object reporting
// end_event; on failure the object is released and null is returned. The program is looked for
// first: the toolkit reports a program it cannot run only from the child, as if it had started.
MirlNxProcess* MirlNxApp::StartProgram(const std::string& program, const std::string& command,
                                       int flags, wxExecuteEnv* environment,
                                       wxEventType end_event) {
    if (!wxFileName::IsFileExecutable(wxString(program.c_str(), wxConvLibc))) return nullptr;
    auto* process = new MirlNxProcess(this, end_event);
    if (wxExecute(wxString(command.c_str(), wxConvLibc), flags, process, environment) == 0) {
        delete process;  // it never ran, so no end will be reported for it
        return nullptr;
    }
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
    const std::string cwd = Narrow(wxFileName::GetCwd());
    const std::string temp_dir = Narrow(wxStandardPaths::Get().GetTempDir());

    wxExecuteEnv viewer_env;
    wxGetEnvMap(&viewer_env.env);
    const MirlNxSession session = event.GetPayload<MirlNxSession>();

    frame->SetDesktopStatus("Connected");
    frame->SetConnectButton("Disconnect", true);

    int viewer_flags = wxEXEC_MAKE_GROUP_LEADER;
    std::string viewer_command;
    std::string viewer_program;
    if (session.protocol == "vnc") {
        viewer_env.cwd = ProgramFolder(layout, cwd, layout.viewer_folder);
        viewer_program = ProgramPath(layout, cwd, layout.viewer_folder, layout.viewer_program);
        viewer_command = VncViewerCommand(layout, cwd, session, BuiltInDeployment().desktop_proxy);
    } else {
        if (xserver_process == nullptr) {
            wxExecuteEnv xserver_env;
            xserver_env.cwd = ProgramFolder(layout, cwd, layout.xserver_folder);
            xserver_process = StartProgram(
                ProgramPath(layout, cwd, layout.xserver_folder, layout.xserver_program),
                XServerCommand(layout, cwd), wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE, &xserver_env,
                EVT_XSERVER_END);
            if (xserver_process == nullptr) {
                AbandonSession("Cannot start " + layout.xserver_program);
                return;
            }
        }
        viewer_env.cwd = ProgramFolder(layout, cwd, layout.nxproxy_folder);
        viewer_program = ProgramPath(layout, cwd, layout.nxproxy_folder, layout.nxproxy_program);
        if (!layout.nx_display.empty()) viewer_env.env["DISPLAY"] = layout.nx_display;
        viewer_command = NxProxyCommand(layout, cwd, session, temp_dir);
        viewer_flags |= wxEXEC_HIDE_CONSOLE;
    }

    const MirlNxLogin login = session.login;
    if (session.tunnel_mode) {
        wxExecuteEnv ssh_env;
        wxGetEnvMap(&ssh_env.env);
        ssh_env.cwd = ProgramFolder(layout, cwd, layout.ssh_folder);
        try {
            ssh_key = std::make_unique<TemporaryKeyFile>(temp_dir, BuiltInDeployment().tunnel_key);
        } catch (const std::string& message) {
            AbandonSession(message);
            return;
        }
        if (session.ftp.port != 0) {
            RunScript(MapFtpCommand(layout, login.username, session.ftp.salt, login.password));
        }
        ssh_process = StartProgram(ProgramPath(layout, cwd, layout.ssh_folder, layout.ssh_program),
                                   ForwardingSshCommand(layout, cwd, session, ssh_key->path()),
                                   wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE, &ssh_env, EVT_SSH_END);
        if (ssh_process == nullptr) {
            ssh_key.reset();
            AbandonSession("Cannot start " + layout.ssh_program);
            return;
        }
    }

    viewer_process =
        StartProgram(viewer_program, viewer_command, viewer_flags, &viewer_env, EVT_VIEWER_END);
    if (viewer_process == nullptr) {
        KillProcesses();  // the forwarding ssh of this session, if any
        AbandonSession("Cannot start " + (session.protocol == "vnc" ? layout.viewer_program
                                                                    : layout.nxproxy_program));
        return;
    }
    wxYield();
}

void MirlNxApp::OnMapDrives(wxThreadEvent&) {
    RunScript(MapWebdavCommand(NativeLayout()));
}

void MirlNxApp::OnXServerEnd(wxCommandEvent&) {
    delete xserver_process;
    xserver_process = nullptr;
}

void MirlNxApp::OnSshEnd(wxCommandEvent&) {
    if (ssh_process != nullptr) {
        delete ssh_process;
        RunScript(UnmapFtpCommand(NativeLayout()));
    }
    ssh_process = nullptr;
    // The key was only for that ssh.
    ssh_key.reset();
    std::cerr << "MirlNxApp::OnSshEnd" << std::endl;
}
