#pragma once

#include <map>
#include <string>
#include <utility>

#include "platform/CommandLine.h"

class wxProcess;

// How one child program is started.
struct ProgramStart {
    explicit ProgramStart(CommandLine command, std::string working_folder = "")
        : command(std::move(command)), working_folder(std::move(working_folder)) {}

    CommandLine command;
    std::string working_folder;  // empty: the client's own
    // Set in the child's environment on top of a copy of the client's; empty: the child
    // inherits the client's environment unchanged.
    std::map<std::string, std::string> environment;
    // Leader of a new process group, so that ending it also ends the programs it started.
    bool group_leader = false;
    // Windows: start it hidden (a console program's window, a script host). Otherwise the
    // program is started as the user would start it, and shows its windows: a child whose
    // output is read would else be given SW_HIDE as its show command, which a GUI program
    // obeys with its first window.
    bool hide_console = true;
    // Linux: the system ends the program (SIGKILL) when the client ends, however it ends
    // (SIGKILL, a crash, a lost display), so no viewer, ssh or port outlives it. Off for a
    // program that must finish its work afterwards (a print program given its document).
    // Windows: no effect.
    bool ends_with_client = true;
};

// True when path names a file this user may run.
bool IsRunnableProgram(const std::string& path);

// Starts the program asynchronously, from the GUI thread (a program that ends with the client
// is tied to the thread that started it); process (may be null) hears of its end through
// OnTerminate. Returns its process id, or 0 when it did not start: the program file (given
// with its folder) is not a runnable file (the toolkit would otherwise report that only from
// a child that seems to run) or the system refused. process is then not used and stays the caller's
// to delete. POSIX: the arguments are passed as they are. Windows: the command's text.
long StartChildProgram(const ProgramStart& start, wxProcess* process);

// What EndChildProgram ends: the program alone, or also the programs of the process group it
// leads.
enum class EndScope { Program, Group };

// Ends a running program at once. A program that is gone already is left alone, quietly.
void EndChildProgram(long pid, EndScope scope = EndScope::Program);
