// The once-per-start update check and the question it may lead to.
#include <wx/msgdlg.h>
#include <wx/utils.h>

#include "app/MirlNxApp.h"
#include "config/Deployment.h"
#include "service/UrlUpdateCheck.h"

void MirlNxApp::StartUpdateCheck() {
    UrlUpdateCheck check(BuiltInDeployment().web_url + "/downloads/quorvanta-client-version.txt");
    wxThread* thread = check.CreateCheckThread(this);
    // A check that cannot start is as silent as one that fails.
    if (thread->Run() != wxTHREAD_NO_ERROR) delete thread;
}

void MirlNxApp::OnUpdateAvailable(wxThreadEvent&) {
    if (wxMessageBox("An update is available. Download now?", "Update Available", wxYES_NO) ==
        wxYES) {
        wxLaunchDefaultBrowser(BuiltInDeployment().web_url + "/download-tollivance/");
    }
}
