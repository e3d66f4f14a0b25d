// Printing each downloaded document on the chosen local printer.
#include <wx/filefn.h>
#include <wx/filename.h>

#include <memory>

#include "app/MirlNxApp.h"
#include "app/PrintJobTurns.h"
#include "platform/LocaleText.h"
#include "platform/ProgramLayout.h"
#include "printing/FailedPrintCopies.h"
#include "printing/MirlNxPrintJob.h"

namespace {
// Print programs running together; a print queue delivers far faster than they print.
constexpr std::size_t kMostPrintJobs = 2;
}  // namespace

void MirlNxApp::OnPrintFile(wxThreadEvent& event) {
    const wxString file = event.GetPayload<wxString>();
    if (!print_turns) {
        print_turns = std::make_unique<PrintJobTurns>(
            kMostPrintJobs, [this](const wxString& next) { return StartPrinting(next); });
    }
    frame->SetPrinterStatus("Printing");
    print_turns->Add(file);
    if (print_turns->Idle()) frame->SetPrinterStatus("Connected");
}

bool MirlNxApp::StartPrinting(const wxString& file) {
    // The printer chosen now, not at connect time.
    PrintJobStart start{false, ""};
    try {
        start = StartPrintJob(this, NativeLayout(), LocaleFolderName(wxFileName::GetCwd()),
                              frame->GetPrinter(), file);
    } catch (const std::string& message) {
        start.message = message;
    }
    if (!start.started) {
        QueueThreadEvent(this, EVT_PRINT_FAILURE, start.message);
        // A document that could not be printed is kept, within the bound of all kept copies.
        if (wxFileExists(file) && KeptFailedPrints().Keep(file)) {
            QueueThreadEvent(this, EVT_PRINT_FAILURE, std::string(FailedPrintCopies::kRemovedText));
        }
    }
    return start.started;
}

void MirlNxApp::OnPrintJobEnd(wxCommandEvent&) {
    if (print_turns) print_turns->Ended();
    // "Printing" while any document is printing or waiting for its turn.
    if (!print_turns || print_turns->Idle()) frame->SetPrinterStatus("Connected");
}
