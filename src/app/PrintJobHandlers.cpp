// Printing each downloaded document on the chosen local printer.
#include <wx/filename.h>

#include "app/MirlNxApp.h"
#include "platform/LocaleText.h"
#include "platform/ProgramLayout.h"
#include "printing/MirlNxPrintJob.h"

void MirlNxApp::OnPrintFile(wxThreadEvent& event) {
    const wxString file = event.GetPayload<wxString>();
    frame->SetPrinterStatus("Printing");
    // The printer chosen now, not at connect time.
    PrintJobStart start{false, ""};
    try {
        start = StartPrintJob(this, NativeLayout(), LocaleFolderName(wxFileName::GetCwd()),
                              frame->GetPrinter(), file);
    } catch (const std::string& message) {
        start.message = message;
    }
    if (!start.started) {
        frame->SetPrinterStatus("Connected");
        QueueThreadEvent(this, EVT_PRINT_FAILURE, start.message);
    }
}

void MirlNxApp::OnPrintJobEnd(wxCommandEvent&) {
    frame->SetPrinterStatus("Connected");
}
