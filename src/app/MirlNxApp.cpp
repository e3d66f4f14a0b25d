#include "app/MirlNxApp.h"

#include <libssh/libssh.h>

#include "config/Deployment.h"
#include "config/Version.h"
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

    SetTrustedCaBundle(BuiltInDeployment().ca_bundle);
    BindHandlers();

    const long style = wxDEFAULT_FRAME_STYLE & ~(wxRESIZE_BORDER | wxMAXIMIZE_BOX);
    frame = new MirlNxFrame(this, wxString(kTitlePrefix) + kClientVersion, wxPoint(50, 50),
                            wxSize(500, 400), style | wxCLIP_CHILDREN);
    frame->Show(true);

    ssh_init();
    StartUpdateCheck();
    return true;
}

void MirlNxApp::BindHandlers() {
    Bind(EVT_LOGIN_FAILURE, &MirlNxApp::OnLoginFailure, this);
    Bind(EVT_LOGIN_SUCCESS, &MirlNxApp::OnLoginSuccess, this);
    Bind(EVT_UPDATE_AVAILABLE, &MirlNxApp::OnUpdateAvailable, this);
    Bind(EVT_SESSION_FAILURE, &MirlNxApp::OnSessionFailure, this);
    Bind(EVT_SESSION_READY, &MirlNxApp::OnSessionReady, this);
    Bind(EVT_MAP_DRIVES, &MirlNxApp::OnMapDrives, this);
    Bind(EVT_TUNNEL_FINISHED, &MirlNxApp::OnTunnelFinished, this);
    Bind(EVT_PRINT_FAILURE, &MirlNxApp::OnPrintFailure, this);
    Bind(EVT_PRINTER_FINISHED, &MirlNxApp::OnPrinterFinished, this);
    Bind(EVT_PRINTER_CONNECTED, &MirlNxApp::OnPrinterConnected, this);
    Bind(EVT_PRINT_FILE, &MirlNxApp::OnPrintFile, this);
    Bind(EVT_PRINTER_STATUS, &MirlNxApp::OnPrinterStatus, this);
    Bind(EVT_PRINT_JOB_END, &MirlNxApp::OnPrintJobEnd, this);
    Bind(EVT_VIEWER_END, &MirlNxApp::OnViewerEnd, this);
    Bind(EVT_XSERVER_END, &MirlNxApp::OnXServerEnd, this);
    Bind(EVT_SSH_END, &MirlNxApp::OnSshEnd, this);
}
