// The once-per-start update check and the question it may lead to.
#include "app/MirlNxApp.h"

void MirlNxApp::StartUpdateCheck() {}
void MirlNxApp::OnUpdateAvailable(wxThreadEvent&) {}
