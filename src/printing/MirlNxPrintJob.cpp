#include "printing/MirlNxPrintJob.h"

#include <wx/filefn.h>
#include <wx/filename.h>

#include <string>

#include "platform/ChildProgram.h"
#include "platform/DiagnosticLog.h"
#include "platform/LocaleText.h"
#include "printing/FailedPrintCopies.h"
#include "printing/PrintCommandLine.h"
#include "records/Events.h"

MirlNxPrintJob::MirlNxPrintJob(wxEvtHandler* application_, const wxString& file_, wxEventType type_)
    : wxProcess(nullptr, wxID_ANY), application(application_), file(file_), type(type_) {}

MirlNxPrintJob::~MirlNxPrintJob() = default;

void MirlNxPrintJob::OnTerminate(int, int status) {
    LogStep((status == 0 ? "document printed: "
                         : "document not printed, exit status " + std::to_string(status) + ": ") +
            ToLocaleBytes(file));
    if (status == 0) {
        if (wxFileExists(file)) wxRemoveFile(file);
    } else {
        // The document is off the server by now: this copy is the only one left.
        QueueThreadEvent(application, EVT_PRINT_FAILURE,
                         "The print program failed (exit status " + std::to_string(status) +
                             "); the document was not printed and is kept as " +
                             ToLocaleBytes(file) + ".");
        if (KeptFailedPrints().Keep(file)) {
            QueueThreadEvent(application, EVT_PRINT_FAILURE,
                             std::string(FailedPrintCopies::kRemovedText));
        }
    }
    // Which document ended, and whether it reached the printer, for the user's notice.
    auto* end = new wxCommandEvent(type, 0);
    end->SetString(file);
    end->SetInt(status == 0 ? 1 : 0);
    wxQueueEvent(application, end);
    delete this;  // the toolkit leaves a process with its own OnTerminate to itself
}

PrintJobStart StartPrintJob(wxEvtHandler* sink, const ProgramLayout& layout,
                            const std::string& working_folder, const std::string& printer,
                            const wxString& file) {
    ProgramStart start{PrintCommandLine(layout, working_folder, printer, ToLocaleBytes(file)),
                       working_folder};
    start.ends_with_client = false;  // a document handed over is printed, whatever the client does
    const std::string& program = start.command.Arguments().front();
    // The document is off the server by now, so a job that cannot start keeps it, as a failed
    // print does.
    const std::string kept =
        "; the document was not printed and is kept as " + ToLocaleBytes(file) + ".";
    // A missing program would only show as an exit status, which says nothing about printing.
    if (!IsRunnableProgram(program))
        return {false, "The print program " + program + " cannot be run" + kept};
    auto* job = new MirlNxPrintJob(sink, file, EVT_PRINT_JOB_END);
    if (StartChildProgram(start, job) == 0) {
        delete job;  // never started, so never terminates
        return {false,
                "The print program could not be started (" + start.command.Text() + ")" + kept};
    }
    return {true, ""};
}
