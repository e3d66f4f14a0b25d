#include "platform/ChildProgram.h"

#include <wx/filename.h>
#include <wx/log.h>
#include <wx/process.h>
#include <wx/utils.h>

#include "platform/DiagnosticLog.h"
#include "platform/LocaleText.h"

bool IsRunnableProgram(const std::string& path) {
    return !path.empty() && wxFileName::IsFileExecutable(FromLocaleBytes(path));
}

// The one platform difference: how the program is handed to the system, and how its end is
// heard of. Returns its process id, or 0.
long LaunchProgram(const ProgramStart& start, wxProcess* process);

long StartChildProgram(const ProgramStart& start, wxProcess* process) {
    // A bare name ("sh", "cscript.exe") is the system's to find on its search path.
    const std::string& program = start.command.Arguments().front();
    const bool bare = program.find_first_of("/\\") == std::string::npos;
    if (!bare && !IsRunnableProgram(program)) {
        LogStep("cannot start, not a runnable program: " + start.command.Shown());
        return 0;
    }
    const long pid = LaunchProgram(start, process);
    LogStep((pid > 0 ? "started " + std::to_string(pid) + ": " : "cannot start: ") +
            start.command.Shown());
    return pid > 0 ? pid : 0;
}

void EndChildProgram(long pid, EndScope scope) {
    if (pid <= 0) return;
    wxLogNull quiet;  // a program that has just ended is no error
    if (wxProcess::Kill(static_cast<int>(pid), wxSIGNONE) != wxKILL_OK) return;
    // The whole group when asked; the program alone if that fails (it may lead none).
    if (scope == EndScope::Group &&
        wxProcess::Kill(static_cast<int>(pid), wxSIGKILL, wxKILL_CHILDREN) == wxKILL_OK) {
        return;
    }
    wxProcess::Kill(static_cast<int>(pid), wxSIGKILL);
}
