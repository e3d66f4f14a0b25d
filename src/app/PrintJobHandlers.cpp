// Printing each downloaded document on the chosen local printer.
#include "app/MirlNxApp.h"

void MirlNxApp::OnPrintFile(wxThreadEvent&) {}
void MirlNxApp::OnPrintJobEnd(wxCommandEvent&) {}
