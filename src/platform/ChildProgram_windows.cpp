#include <wx/utils.h>

#include "platform/ChildProgram.h"
#include "platform/LocaleText.h"

long LaunchProgram(const ProgramStart& start, wxProcess* process) {
    wxExecuteEnv environment;
    environment.cwd = FromLocaleBytes(start.working_folder);
    if (!start.environment.empty()) {
        wxGetEnvMap(&environment.env);
        for (const auto& [name, value] : start.environment) {
            environment.env[FromLocaleBytes(name)] = FromLocaleBytes(value);
        }
    }
    int flags = wxEXEC_ASYNC;
    if (start.group_leader) flags |= wxEXEC_MAKE_GROUP_LEADER;
    flags |= start.hide_console ? wxEXEC_HIDE_CONSOLE : wxEXEC_SHOW_CONSOLE;
    // Windows hands a program one command line, which it splits by the rule the text follows.
    return wxExecute(FromLocaleBytes(start.command.Text()), flags, process, &environment);
}
