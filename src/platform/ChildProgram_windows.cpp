#include <wx/utils.h>

#include "platform/ChildProgram.h"
#include "platform/LocaleText.h"

long ExecuteCommand(const ProgramStart& start, int flags, wxProcess* process,
                    wxExecuteEnv* environment) {
    // Windows hands a program one command line, which it splits by the rule the text follows.
    return wxExecute(FromLocaleBytes(start.command.Text()), flags, process, environment);
}
