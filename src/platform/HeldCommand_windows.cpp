#include "platform/ChildProgram.h"
#include "platform/HeldCommand.h"

class HeldCommand::Waiter {};

HeldCommand::HeldCommand(CommandLine held) : command(std::move(held)) {}

HeldCommand::~HeldCommand() {
    Release();
}

void HeldCommand::Release() {
    if (released) return;
    released = true;
    StartChildProgram(ProgramStart{command}, nullptr);
}
