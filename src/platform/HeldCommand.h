#pragma once

#include "platform/CommandLine.h"

// A command held back until it is released or the client ends, however it ends: what undoes
// the session's effects outside the client (the drives' mounts), which a SIGKILL or a crash
// would otherwise leave behind. Linux: a shell, started at once, waits for the end of a pipe
// only the client holds, then runs the command. Windows: Release runs it; an abrupt end of the
// client does not. The command runs at most once, and may outlive the client to finish.
class HeldCommand {
  public:
    explicit HeldCommand(CommandLine command);
    // Releases it.
    ~HeldCommand();
    HeldCommand(const HeldCommand&) = delete;
    HeldCommand& operator=(const HeldCommand&) = delete;

    // Runs the command now.
    void Release();

  private:
    class Waiter;
    CommandLine command;
    Waiter* waiter = nullptr;  // the waiting shell's process object, while it waits
    bool released = false;
};
