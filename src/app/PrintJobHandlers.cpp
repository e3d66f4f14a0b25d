// Printing each downloaded document on the chosen local printer.
#include <wx/filefn.h>
#include <wx/filename.h>

#include <memory>

#include "app/DocumentNotices.h"
#include "app/MirlNxApp.h"
#include "app/PrintJobTurns.h"
#include "app/SavedDocument.h"
#include "platform/DiagnosticLog.h"
#include "platform/LocaleText.h"
#include "platform/ProgramLayout.h"
#include "printing/FailedPrintCopies.h"
#include "printing/MirlNxPrintJob.h"
#include "printing/PrintBacklog.h"
#include "ui/MirlNxTaskBarIcon.h"

namespace {
// Print programs running together; a print queue delivers far faster than they print.
constexpr std::size_t kMostPrintJobs = 2;
// Documents off the server and not through yet: those printing and one waiting beside them, so
// that a download overlaps printing while the rest stay on the server, where a crash or a power
// cut cannot lose them.
constexpr std::size_t kMostDocumentsHeld = kMostPrintJobs + 1;
}  // namespace

std::shared_ptr<PrintBacklog> MirlNxApp::DocumentBacklog() {
    if (!print_backlog) print_backlog = std::make_shared<PrintBacklog>(kMostDocumentsHeld);
    return print_backlog;
}

void MirlNxApp::DocumentDone() {
    if (print_backlog) print_backlog->Remove();
}

void MirlNxApp::OnPrintFile(wxThreadEvent& event) {
    const wxString file = event.GetPayload<wxString>();
    if (!document_notices)
        document_notices = std::make_unique<DocumentNotices>(frame->GetTrayIcon());
    document_notices->Arrived(file, RemoteNameOf(event));
    if (!print_turns) {
        print_turns = std::make_unique<PrintJobTurns>(
            kMostPrintJobs, [this](const wxString& next) { return StartPrinting(next); });
    }
    frame->SetPrinterStatus("Printing");
    print_turns->Add(file);
    if (print_turns->Idle()) frame->SetPrinterStatus("Connected");
}

bool MirlNxApp::StartPrinting(const wxString& file) {
    // Saved instead of printed; its end comes as a print program's does.
    if (frame->SavesToDownloads()) {
        SaveDocumentTurn(this, file, document_notices.get());
        return true;
    }
    // The printer chosen now, not at connect time.
    PrintJobStart start;
    const std::string printer = frame->GetPrinter();
    if (document_notices) document_notices->Printing(file, printer);
    try {
        start = StartPrintJob(this, NativeLayout(), LocaleFolderName(wxFileName::GetCwd()), printer,
                              file);
    } catch (const std::string& message) {
        start.message = message;
    }
    if (!start.started) {
        QueueThreadEvent(this, EVT_PRINT_FAILURE, start.message);
        // A document that could not be printed is kept, within the bound of all kept copies.
        if (wxFileExists(file) && KeptFailedPrints().Keep(file)) {
            QueueThreadEvent(this, EVT_PRINT_FAILURE, std::string(FailedPrintCopies::kRemovedText));
        }
        if (document_notices) document_notices->NotPrinted(file);
        DocumentDone();
    }
    return start.started;
}

void MirlNxApp::OnPrintJobEnd(wxCommandEvent& event) {
    // Printed means the print program took the document and ended without an error.
    if (document_notices) {
        if (event.GetInt() == 1) {
            document_notices->Printed(event.GetString());
        } else {
            document_notices->NotPrinted(event.GetString());
        }
    }
    DocumentDone();
    if (print_turns) print_turns->Ended();
    // "Printing" while any document is printing or waiting for its turn.
    if (!print_turns || print_turns->Idle()) frame->SetPrinterStatus("Connected");
}

void MirlNxApp::KeepWaitingDocuments() {
    if (!print_turns) return;
    for (const wxString& file : print_turns->TakeWaiting()) {
        // Off the server already: this copy is the only one. No box: the user asked to leave,
        // and a box would hold the exit for as long as nobody answers it.
        LogStep(
            "message \"Printing failed\": The client was closed before the document could "
            "be printed; it is kept as " +
            ToLocaleBytes(file) + ".");
        KeptFailedPrints().Keep(file);
        if (document_notices) {
            document_notices->Printing(file, frame != nullptr ? frame->GetPrinter() : "");
            document_notices->NotPrinted(file);
        }
        DocumentDone();
    }
    if (document_notices) document_notices->Flush();
}
