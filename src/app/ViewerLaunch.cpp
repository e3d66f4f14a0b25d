// Starting the programs that show a ready desktop session, and mapping the network drives.
#include "app/MirlNxApp.h"

void MirlNxApp::OnSessionReady(wxThreadEvent&) {}
void MirlNxApp::OnMapDrives(wxThreadEvent&) {}
void MirlNxApp::OnXServerEnd(wxCommandEvent&) {}
void MirlNxApp::OnSshEnd(wxCommandEvent&) {}
