#include <unistd.h>
#include <wx/utils.h>

#include <vector>

#include "platform/ChildProgram.h"

namespace {
// Sets the parent-death signal (PR_SET_PDEATHSIG) and runs the command in its place, so the
// program keeps its process id; the toolkit forks for us and offers no hook in the child.
constexpr const char* kSetpriv = "/usr/bin/setpriv";
}  // namespace

long ExecuteCommand(const ProgramStart& start, int flags, wxProcess* process,
                    wxExecuteEnv* environment) {
    // No shell and no splitting: every argument arrives as it is, blanks included.
    std::vector<const char*> argv;
    // A system without setpriv starts the program as it is.
    if (start.ends_with_client && ::access(kSetpriv, X_OK) == 0) {
        argv = {kSetpriv, "--pdeathsig", "KILL", "--"};
    }
    for (const std::string& argument : start.command.Arguments()) argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return wxExecute(argv.data(), flags, process, environment);
}
