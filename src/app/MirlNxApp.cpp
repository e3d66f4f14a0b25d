#include "app/MirlNxApp.h"
#include "app/DocumentNotices.h"
#include "app/PrintFailureNotices.h"
#include "app/PrintJobTurns.h"

#include <libssh/libssh.h>

#include <clocale>

#include "config/Deployment.h"
#include "config/Version.h"
#include "platform/DiagnosticLog.h"
#include "platform/HeldCommand.h"
#include "platform/ProcessProtection.h"
#include "platform/TemporaryKeyFile.h"
#include "platform/TerminationRequest.h"
#include "session/OpensshProcess.h"
#include "ui/MirlNxFrame.h"

wxBEGIN_EVENT_TABLE(MirlNxApp, wxApp)
    // Replaces the toolkit's default handling of the end of the desktop session.
    EVT_END_SESSION(MirlNxApp::OnEndSession)
wxEND_EVENT_TABLE()

MirlNxApp::MirlNxApp() = default;
MirlNxApp::~MirlNxApp() = default;

void MirlNxApp::OnEndSession(wxCloseEvent&) {}

bool MirlNxApp::OnInit() {
    viewer_process = nullptr;
    xserver_process = nullptr;
    ssh_process = nullptr;
    printer_thread = nullptr;
    tunnel = TunnelHandles{};
    KeepMemoryPrivate();
    StartDiagnosticLog();
    // Its text is also what every key file holds.
    LogSecret(BuiltInDeployment().tunnel_key);
    LogStep(std::string("client ") + kClientVersion + " started");

    // Text crosses between the toolkit and bytes in the user's own character set.
    std::setlocale(LC_CTYPE, "");
    SetTrustedCaBundle(BuiltInDeployment().ca_bundle);
    BindHandlers();

    const long style = wxDEFAULT_FRAME_STYLE & ~(wxRESIZE_BORDER | wxMAXIMIZE_BOX);
    frame = new MirlNxFrame(this, wxString(kTitlePrefix) + kClientVersion, wxPoint(50, 50),
                            wxSize(500, 400), style | wxCLIP_CHILDREN);
    frame->Show(true);

    ssh_init();
    // As the tray menu's Exit does.
    CatchTerminationRequests([this] {
        if (frame != nullptr) frame->Close(true);
    });
    StartUpdateCheck();
    return true;
}

// The one list of the sixteen events and their handlers, for binding and for unbinding.
template <typename Wire>
void MirlNxApp::WireHandlers(Wire wire) {
    wire(EVT_LOGIN_FAILURE, &MirlNxApp::OnLoginFailure);
    wire(EVT_LOGIN_SUCCESS, &MirlNxApp::OnLoginSuccess);
    wire(EVT_UPDATE_AVAILABLE, &MirlNxApp::OnUpdateAvailable);
    wire(EVT_SESSION_FAILURE, &MirlNxApp::OnSessionFailure);
    wire(EVT_SESSION_READY, &MirlNxApp::OnSessionReady);
    wire(EVT_MAP_DRIVES, &MirlNxApp::OnMapDrives);
    wire(EVT_TUNNEL_FINISHED, &MirlNxApp::OnTunnelFinished);
    wire(EVT_PRINT_FAILURE, &MirlNxApp::OnPrintFailure);
    wire(EVT_PRINTER_FINISHED, &MirlNxApp::OnPrinterFinished);
    wire(EVT_PRINTER_CONNECTED, &MirlNxApp::OnPrinterConnected);
    wire(EVT_PRINT_FILE, &MirlNxApp::OnPrintFile);
    wire(EVT_PRINTER_STATUS, &MirlNxApp::OnPrinterStatus);
    wire(EVT_PRINT_JOB_END, &MirlNxApp::OnPrintJobEnd);
    wire(EVT_VIEWER_END, &MirlNxApp::OnViewerEnd);
    wire(EVT_XSERVER_END, &MirlNxApp::OnXServerEnd);
    wire(EVT_SSH_END, &MirlNxApp::OnSshEnd);
}

void MirlNxApp::BindHandlers() {
    WireHandlers([this](const auto& type, auto handler) { Bind(type, handler, this); });
}

void MirlNxApp::UnbindHandlers() {
    WireHandlers([this](const auto& type, auto handler) { Unbind(type, handler, this); });
}
