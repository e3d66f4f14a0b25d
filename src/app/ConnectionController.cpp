// Connect, disconnect and shutdown: login, desktop session, viewers and printing in step with
// the window's button and status labels.
#include <libssh/libssh.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <iostream>

#include "app/DocumentNotices.h"
#include "app/MirlNxApp.h"
#include "app/MirlNxProcess.h"
#include "app/PrintFailureNotices.h"
#include "app/PrintJobTurns.h"
#include "config/Deployment.h"
#include "config/Version.h"
#include "platform/ChildProgram.h"
#include "platform/ColourDepth.h"
#include "platform/Deadline.h"
#include "platform/DiagnosticLog.h"
#include "platform/LocaleText.h"
#include "platform/MachineIdentity.h"
#include "platform/Platform.h"
#include "printing/SftpThread.h"
#include "records/ShownText.h"
#include "records/WorkerRegistry.h"
#include "service/Sha256Hex.h"
#include "service/StormwellServerLookup.h"
#include "session/OpensshProcess.h"
#include "session/WebsockDesktopSession.h"
#include "tunnel/SshTunnel.h"

namespace {
// Closing the window waits this long at most for the print queue and the tunnel to end.
constexpr auto kShutdownWait = std::chrono::seconds(10);

void AskToStop(wxThread* worker, const char* name) {
    if (worker_registry::RequestStop(worker) != wxTHREAD_NO_ERROR) {
        std::cerr << "Error deleting " << name << " thread" << std::endl;
    }
}
}  // namespace

void MirlNxApp::ShowMessage(const std::string& caption, const std::string& message) {
    LogStep("message \"" + caption + "\": " + LogName(message, DiagnosticLog::kLineLimit));
    // Much of what is shown comes from the service or a server: a box never grows with it.
    wxMessageBox(FromLocaleBytes(ShownText(message)), FromLocaleBytes(caption), wxOK | wxCENTRE,
                 nullptr);
}

void MirlNxApp::ShowIdle() {
    if (frame == nullptr) return;
    frame->SetDesktopStatus("Not Connected");
    frame->SetPrinterStatus("Not Connected");
    frame->SetConnectButton("Connect", true);
}

void MirlNxApp::Connect(const std::string& user_id, const std::string& password) {
    if (viewer_process != nullptr) {
        LogStep("disconnect asked");
        KillProcesses();
        return;
    }
    StartLogin(user_id, password);
}

bool MirlNxApp::StartLogin(const std::string& user_id, const std::string& password) {
    // The previous session's queue may still be ending: from now on its end is not this one's.
    RetireWorker(printer_thread, "Printer");
    StormwellServerLookup lookup(BuiltInDeployment().api_url + "/session/start/");
    const std::string hardware_key = GetHardwareKey();
    for (const std::string& secret : {password, hardware_key, Sha256Hex(hardware_key)}) {
        LogSecret(secret);
    }
    if (hardware_key.empty()) {
        ShowMessage("System error", "Cannot determine hardware key");
        ShowIdle();  // no login runs, so nothing else would bring the window back
        return false;
    }
    // The rest stays as the record starts: no printing word, no tunnel mode, no drives asked.
    MirlNxLogin login;
    login.username = user_id;
    login.password = password;
    login.serial = Sha256Hex(hardware_key);
    login.client_version = GetClientVersion();
    login.branding = GetBranding();
    login.depth = GetColourDepth();
    login.protocol = GetProtocol();
    login.link = frame->GetLinkSpeed();
    LogStep("login to " + LogName(BuiltInDeployment().api_url) + " as " + LogName(user_id));
    wxThread* thread = lookup.CreateLoginThread(this, login);
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;  // a detached thread that never ran does not delete itself
        ShowMessage("Login failed", "Cannot start the login");
        ShowIdle();
        return false;
    }
    return true;
}

bool MirlNxApp::KillProcesses() {
    if (viewer_process != nullptr) viewer_process->End(EndScope::Group);
    if (xserver_process != nullptr) xserver_process->End();
    if (ssh_process != nullptr) ssh_process->End();
    return viewer_process != nullptr || xserver_process != nullptr || ssh_process != nullptr;
}

void MirlNxApp::StopPrinterThread() {
    if (printer_thread != nullptr) AskToStop(printer_thread, "Printer");
}

void MirlNxApp::StopTunnel() {
    if (tunnel.thread != nullptr) {
        // Forgotten by the session, but shutdown still waits for it to leave libssh.
        RetireWorker(tunnel.thread, "Tunnel");
    } else if (tunnel.process != nullptr) {
        EndChildProgram(tunnel.process->GetPid());
    }
}

// A worker asked to stop leaves the registry only once it has left the library; a new session
// may start before that, and the old worker's end report must not be taken for the new one's.
template <typename Worker>
void MirlNxApp::RetireWorker(Worker*& worker, const char* name) {
    if (worker == nullptr) return;
    AskToStop(worker, name);
    retired.Add(
        [stopped = static_cast<wxThread*>(worker)] { return !worker_registry::IsAlive(stopped); });
    worker = nullptr;
}

// A program of an earlier session that is told to end may report its end after the next
// session's has started; kept apart (with what it still reads, such as its key) until then.
template <typename Process>
void MirlNxApp::RetireProgram(Process*& process, std::shared_ptr<void> kept) {
    if (process == nullptr) return;
    EndChildProgram(process->GetPid());
    retired.AddProcess(process, std::move(kept));
    process = nullptr;
}
template void MirlNxApp::RetireProgram(MirlNxProcess*&, std::shared_ptr<void>);

void MirlNxApp::ReleaseTunnel() {
    if (tunnel.thread != nullptr) {
        tunnel.thread = nullptr;
    } else if (tunnel.process != nullptr) {
        tunnel.process = nullptr;
    }
}

void MirlNxApp::Shutdown() {
    LogStep("exit asked");
    // The print queue first: once the user asked to leave, no document leaves the server. One
    // it was fetching still arrives, and takes its turn below.
    StopPrinterThread();
    KillProcesses();
    // Stop the workers here rather than waiting for the viewer's end to do it: a print queue
    // may run with no viewer at all, and the wait is bounded either way.
    StopTunnel();
    // The killed programs' end events are waited for too: their handlers delete the process
    // objects, which nothing would do once the handlers are unbound. The documents taken go to
    // their print program meanwhile, as many at a time as ever.
    const Deadline deadline(kShutdownWait);
    while ((HoldsWorkersOrPrograms() || (print_turns && !print_turns->Idle())) &&
           !deadline.Passed()) {
        wxYield();
        wxMilliSleep(10);
    }
    KeepWaitingDocuments();
    // A program that outlived the wait holds no library state, but a worker may.
    const bool workers_gone =
        printer_thread == nullptr && tunnel.thread == nullptr && !retired.AnyRunning();
    UnbindHandlers();  // nothing may reach the window once it is going
    // The notices may hold the window's tray icon.
    document_notices.reset();
    if (frame != nullptr) {
        frame->Destroy();
        frame = nullptr;
    }
    // A worker that outlived the wait may still be inside libssh.
    if (workers_gone) ssh_finalize();
    LogStep(workers_gone ? "exit" : "exit with a worker still ending");
    // A worker still ending may yet log; the log stays open for it.
    if (workers_gone) StopDiagnosticLog();
}

bool MirlNxApp::HoldsWorkersOrPrograms() {
    return printer_thread != nullptr || tunnel.thread != nullptr || tunnel.process != nullptr ||
           viewer_process != nullptr || xserver_process != nullptr || ssh_process != nullptr ||
           retired.AnyRunning();
}

std::string MirlNxApp::GetHardwareKey() const {
    return ReadMachineIdText();
}

std::string MirlNxApp::GetClientVersion() const {
    return GetBranding() + "-" + "desktop-client" + "-" + PlatformWord() + "-v" + kClientVersion;
}

int MirlNxApp::GetColourDepth() const {
    return ScreenColourDepth(frame);
}

std::string MirlNxApp::GetProtocol() const {
    return frame != nullptr && frame->IsLegacyConnection() ? "nx" : "vnc";
}

std::string MirlNxApp::GetBranding() const {
    return kBranding;
}

void MirlNxApp::OnLoginFailure(wxThreadEvent& event) {
    LogStep("login failed");
    ShowMessage("Login failed", event.GetPayload<std::string>());
    ShowIdle();
}

void MirlNxApp::OnLoginSuccess(wxThreadEvent& event) {
    const auto [server, login] = event.GetPayload<LoginResult>();
    LogStep("login succeeded, server " + LogName(server.host) + " port " +
            std::to_string(server.port) + "; session request to " + LogName(server.ip));
    std::pair<MirlNxSession, TunnelHandles> created;
    try {
        WebsockDesktopSession variant;
        created = variant.CreateSession(this, server, login);
    } catch (const std::string& message) {
        LogStep("session request failed");
        wxThreadEvent failure(EVT_SESSION_FAILURE);
        failure.SetPayload(message);
        OnSessionFailure(failure);
        return;
    }
    LogSecret(created.first.cookie);
    LogStep("session request answered");
    RetireProgram(tunnel.process);
    tunnel = created.second;
    RetireWorker(printer_thread, "Printer");
    if (frame->HasPrinter()) {
        LogStep("print queue for printer " + LogName(frame->GetPrinter()));
        SftpThread* thread =
            CreateSftpThread(this, login.username, login.password, DocumentBacklog());
        if (thread->Run() == wxTHREAD_NO_ERROR) {
            printer_thread = thread;
        } else {
            delete thread;
            ShowMessage("Printing failed", "Cannot start the print queue");
        }
    }
    if (tunnel.thread != nullptr && tunnel.thread->Run() != wxTHREAD_NO_ERROR) {
        delete tunnel.thread;  // a detached thread that never ran does not delete itself
        tunnel.thread = nullptr;
        StopPrinterThread();
        ShowIdle();
        ShowMessage("Connection failed", "Cannot start the secure tunnel");
    }
}

void MirlNxApp::OnSessionFailure(wxThreadEvent& event) {
    LogStep("session failed");
    ReleaseTunnel();
    // A failed session leaves nothing behind that the labels would not show.
    StopPrinterThread();
    if (viewer_process != nullptr) viewer_process->End(EndScope::Group);
    ShowIdle();
    ShowMessage("Connection failed", event.GetPayload<std::string>());
}

void MirlNxApp::OnTunnelFinished(wxThreadEvent&) {
    retired.ReleaseEnded();
    if (tunnel.thread == nullptr && tunnel.process != nullptr) {
        if (!tunnel.process->HasEnded()) return;  // an earlier session's ssh ended, not this one's
        delete tunnel.process;
    }
    ReleaseTunnel();
}

void MirlNxApp::OnViewerEnd(wxCommandEvent&) {
    if (frame != nullptr) frame->SetDesktopStatus("Not Connected");
    // A viewer that gave up by itself right after its start (an exit status, not our kill) could
    // not reach the desktop and says why; a later end with a status (the remote side logged
    // out, the user closed it) is a plain disconnect.
    const bool failed = viewer_process != nullptr && viewer_process->FailedAtLaunch();
    const std::string reason = failed ? viewer_process->LastErrorLine() : "";
    const int status = failed ? viewer_process->ExitStatus() : 0;
    LogStep("viewer ended, disconnected");
    delete viewer_process;
    viewer_process = nullptr;
    if (ssh_process != nullptr) ssh_process->End();
    StopPrinterThread();
    StopTunnel();
    if (frame != nullptr) frame->SetConnectButton("Connect", true);
    if (failed) {
        ShowMessage("Connection failed", reason.empty() ? "The desktop viewer ended with status " +
                                                              std::to_string(status)
                                                        : reason);
    }
}

void MirlNxApp::OnPrinterConnected(wxThreadEvent&) {
    LogStep("print queue connected");
    frame->SetPrinterStatus("Connected");
}

void MirlNxApp::OnPrinterStatus(wxThreadEvent& event) {
    frame->SetPrinterStatus(event.GetPayload<std::string>());
}

void MirlNxApp::OnPrinterFinished(wxThreadEvent&) {
    retired.ReleaseEnded();
    // A queue ends by leaving the registry and then reporting; while this session's queue is
    // still registered, or there is none, the report came from an earlier session's queue.
    if (printer_thread == nullptr || worker_registry::IsAlive(printer_thread)) return;
    printer_thread = nullptr;
    LogStep("print queue ended");
    frame->SetPrinterStatus("Not Connected");
}

void MirlNxApp::OnPrintFailure(wxThreadEvent& event) {
    if (!print_failures) {
        print_failures = std::make_unique<PrintFailureNotices>(
            [](const std::string& text) { ShowMessage("Printing failed", text); });
    }
    print_failures->Add(event.GetPayload<std::string>());
}
