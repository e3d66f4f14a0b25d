#include <wx/process.h>

#include "platform/ChildProgram.h"
#include "platform/HeldCommand.h"

// Deletes itself once the shell has ended, as the toolkit leaves that to a process object
// that handles its own end.
class HeldCommand::Waiter : public wxProcess {
  public:
    explicit Waiter(HeldCommand* owner) : owner(owner) { Redirect(); }
    void OnTerminate(int, int) override {
        if (owner != nullptr) owner->waiter = nullptr;
        delete this;
    }
    HeldCommand* owner;
};

HeldCommand::HeldCommand(CommandLine held) : command(std::move(held)) {
    // The client closes every other descriptor in the programs it starts, so the shell's input
    // ends only when the client closes it or ends. The command's output is no longer the
    // client's by then: a write there must not end it.
    CommandLine shell("sh");
    shell.Add("-c").Add("read -r _; exec \"$@\" </dev/null >/dev/null 2>&1").Add("held");
    for (const std::string& argument : command.Arguments()) shell.Add(argument);
    ProgramStart start{shell};
    start.ends_with_client = false;
    auto* started = new Waiter(this);
    if (StartChildProgram(start, started) == 0) {
        delete started;  // Release runs the command itself
        return;
    }
    waiter = started;
}

HeldCommand::~HeldCommand() {
    Release();
}

void HeldCommand::Release() {
    if (released) return;
    released = true;
    if (waiter != nullptr) {
        waiter->owner = nullptr;
        waiter->CloseOutput();
        waiter = nullptr;
        return;
    }
    ProgramStart start{command};
    start.ends_with_client = false;  // it may still be undoing when the client has gone
    StartChildProgram(start, nullptr);
}
