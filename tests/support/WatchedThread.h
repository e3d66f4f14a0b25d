#pragma once

#include <wx/thread.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <utility>

#include "support/EventPump.h"

// A detached worker whose destructor (run on its own thread after Entry returns) raises a flag,
// so that a test can wait for the worker's end even when it queues nothing.
template <typename Thread>
class WatchedThread : public Thread {
  public:
    template <typename... Args>
    explicit WatchedThread(std::shared_ptr<std::atomic<bool>> ended, Args&&... args)
        : Thread(std::forward<Args>(args)...), ended(std::move(ended)) {}
    ~WatchedThread() override { ended->store(true); }

  private:
    std::shared_ptr<std::atomic<bool>> ended;
};

// Starts a watched Thread built from args; the flag turns true once it has deleted itself.
template <typename Thread, typename... Args>
std::shared_ptr<std::atomic<bool>> RunWatched(Args&&... args) {
    auto ended = std::make_shared<std::atomic<bool>>(false);
    auto* thread = new WatchedThread<Thread>(ended, std::forward<Args>(args)...);
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;  // never started, so it is still ours
        ended->store(true);
    }
    return ended;
}

// Pumps events until the watched thread has ended, then a little longer so that its last
// events are delivered and the thread is gone. False when it did not end in time.
inline bool WaitForThreadEnd(const std::shared_ptr<std::atomic<bool>>& ended,
                             std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    const bool done = PumpUntil([&] { return ended->load(); }, timeout);
    PumpFor(std::chrono::milliseconds(50));
    return done;
}
