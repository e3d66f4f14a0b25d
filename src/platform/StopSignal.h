#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

// The one way a worker waits: until a deadline, cut short by a stop request that any thread
// raises and every waiter hears at once. Nothing wakes in between.
class StopSignal {
  public:
    using Clock = std::chrono::steady_clock;

    void Raise();
    bool Raised() const;
    // Waits until the deadline, or less when a stop comes; true when no stop came.
    bool WaitUntil(Clock::time_point deadline) const;
    bool WaitFor(Clock::duration duration) const { return WaitUntil(Clock::now() + duration); }
    // Waits until ready() holds, or less when a stop comes; true when ready. ready is asked under
    // the signal's lock, so whoever makes it hold must call Wake() afterwards.
    bool WaitUntilReady(const std::function<bool()>& ready) const;
    void Wake() const;

  private:
    mutable std::mutex mutex;
    mutable std::condition_variable raised_signal;
    bool raised = false;
};

// For what only the system can be asked about (a socket): calls look(slice) with the time it
// may wait, at most kPollSlice so that a stop is heard within it, until look answers (non-zero,
// which is returned), the deadline passes or stopped() says so (0).
inline constexpr std::chrono::milliseconds kPollSlice{100};
int PollUntil(StopSignal::Clock::time_point deadline, const std::function<bool()>& stopped,
              const std::function<int(std::chrono::milliseconds slice)>& look);
