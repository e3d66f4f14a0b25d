#pragma once

#include <functional>
#include <memory>
#include <vector>

// What the application has asked to stop but may still be running: a child program whose end
// event has not come yet, a worker thread still inside a library call. Each is kept here until
// it has ended, so that its late end can never be taken for the next session's, and is then
// released once (a process object deleted, with what it needed, such as its key file).
class Retirement {
  public:
    // ended() says when it has ended; release() then runs once (may be empty).
    void Add(std::function<bool()> ended, std::function<void()> release = {});

    // A process object that reports HasEnded(): deleted once it has, and kept (a key file the
    // program reads, say) let go with it. Null is ignored.
    template <typename Process>
    void AddProcess(Process* process, std::shared_ptr<void> kept = nullptr) {
        if (process == nullptr) return;
        Add([process] { return process->HasEnded(); },
            [process, kept]() mutable {
                delete process;
                kept.reset();
            });
    }

    // Releases everything that has ended by now.
    void ReleaseEnded();
    // Releases what has ended; true while anything handed over is still running.
    bool AnyRunning();

  private:
    struct Entry {
        std::function<bool()> ended;
        std::function<void()> release;
    };
    // Entries whose object outlives the application (a program still running at exit) are
    // never deleted: the toolkit may still report its end.
    std::vector<Entry> entries;
};
