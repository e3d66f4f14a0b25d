#pragma once

#include <wx/event.h>
#include <wx/process.h>
#include <wx/string.h>

#include <string>

#include "platform/ProgramLayout.h"

// One run of the print program for one downloaded file. When the program ends, the file is
// removed if it succeeded, or kept and reported (EVT_PRINT_FAILURE naming it) if it failed;
// then the end is queued to the application (a command event of the stored type, id 0, whose
// string is the file and whose int is 1 when it printed), and the job deletes itself: nobody
// else holds it.
class MirlNxPrintJob : public wxProcess {
  public:
    MirlNxPrintJob(wxEvtHandler* application, const wxString& file, wxEventType type);
    ~MirlNxPrintJob() override;

    void OnTerminate(int pid, int status) override;

  private:
    wxEvtHandler* application;
    wxString file;
    wxEventType type;
};

struct PrintJobStart {
    bool started = false;
    std::string message;  // why not, for the user
};

// Prints file on printer with the print program found in working_folder by the layout; when
// the program ends the file is removed (kept when it failed) and EVT_PRINT_JOB_END reaches
// sink. When the program cannot be started, the file is kept and the result says why and
// where it is.
PrintJobStart StartPrintJob(wxEvtHandler* sink, const ProgramLayout& layout,
                            const std::string& working_folder, const std::string& printer,
                            const wxString& file);
