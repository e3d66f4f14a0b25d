#include <wx/utils.h>

#include <vector>

#include "platform/ChildProgram.h"

long ExecuteCommand(const CommandLine& command, int flags, wxProcess* process,
                    wxExecuteEnv* environment) {
    // No shell and no splitting: every argument arrives as it is, blanks included.
    std::vector<const char*> argv;
    for (const std::string& argument : command.Arguments()) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return wxExecute(argv.data(), flags, process, environment);
}
