#include "platform/StopSignal.h"

#include <algorithm>

void StopSignal::Raise() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        raised = true;
    }
    raised_signal.notify_all();
}

bool StopSignal::Raised() const {
    std::lock_guard<std::mutex> lock(mutex);
    return raised;
}

bool StopSignal::WaitUntil(Clock::time_point deadline) const {
    std::unique_lock<std::mutex> lock(mutex);
    return !raised_signal.wait_until(lock, deadline, [this] { return raised; });
}

bool StopSignal::WaitUntilReady(const std::function<bool()>& ready) const {
    std::unique_lock<std::mutex> lock(mutex);
    raised_signal.wait(lock, [&] { return raised || ready(); });
    return !raised;
}

void StopSignal::Wake() const {
    // Taken and let go, so a waiter that found ready() false is asleep before the notice.
    { std::lock_guard<std::mutex> lock(mutex); }
    raised_signal.notify_all();
}

int PollUntil(StopSignal::Clock::time_point deadline, const std::function<bool()>& stopped,
              const std::function<int(std::chrono::milliseconds slice)>& look) {
    using std::chrono::milliseconds;
    while (!stopped()) {
        const auto left = std::chrono::ceil<milliseconds>(deadline - StopSignal::Clock::now());
        if (left.count() <= 0) return 0;
        const int answer = look(std::min(left, kPollSlice));
        if (answer != 0) return answer;
    }
    return 0;
}
