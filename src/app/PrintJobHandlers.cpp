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
    const std::string working_folder = ToLocaleBytes(wxFileName::GetCwd());
    const PrintJobStart start =
        StartPrintJob(this, NativeLayout(), working_folder, frame->GetPrinter(), file);
    if (!start.started) {
        frame->SetPrinterStatus("Connected");
        QueueThreadEvent(this, EVT_PRINT_FAILURE, start.message);
    }
}

void MirlNxApp::OnPrintJobEnd(wxCommandEvent&) {
    frame->SetPrinterStatus("Connected");
}
