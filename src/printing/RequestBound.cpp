#include "printing/RequestBound.h"

#include <algorithm>

namespace {
// Short enough that a stop is still answered within a second.
constexpr std::chrono::milliseconds kStopGrace{400};
// A cut call that has not returned yet is cut again this often: on Windows a library that
// waits again after a cancelled wait needs another.
constexpr std::chrono::milliseconds kRecut{100};
}  // namespace

RequestBound::RequestBound(std::chrono::milliseconds limit_) : limit(limit_) {}

void RequestBound::SetSocket(SocketHandle fd_) {
    std::lock_guard<std::mutex> lock(mutex);
    fd = fd_;
    if (stop && fd != kNoSocket) CutLocked();
    WakeSupervisorLocked();
}

void RequestBound::Begin() {
    Begin(limit);
}

void RequestBound::Begin(std::chrono::milliseconds call_limit) {
    std::lock_guard<std::mutex> lock(mutex);
    busy = true;
    finishing = false;
    cut = false;
    deadline = Clock::now() + call_limit;
    if (stop && fd != kNoSocket) CutLocked();
    WakeSupervisorLocked();
}

void RequestBound::BeginFinishing() {
    std::lock_guard<std::mutex> lock(mutex);
    busy = true;
    finishing = true;
    cut = false;
    deadline = Clock::now() + limit;
    WakeSupervisorLocked();
}

void RequestBound::End() {
    std::lock_guard<std::mutex> lock(mutex);
    busy = false;
    cut = false;
}

void RequestBound::RequestStop() {
    // The work may end, and its thread delete this, as soon as it sees the stop; it finishes
    // (Finish) under the same lock, so nothing here is touched after the lock is let go.
    std::lock_guard<std::mutex> lock(mutex);
    // Raised before the cut: a call failing on the cut socket must already see that it was asked
    // to stop, or it would report the stop as a failure.
    stop_signal.Raise();
    if (!stop) stop_at = Clock::now();
    stop = true;
    if (busy && !finishing) CutLocked();
    supervisor_wake.notify_all();
}

void RequestBound::Check() {
    std::lock_guard<std::mutex> lock(mutex);
    CheckLocked();
}

void RequestBound::CheckLocked() {
    if (!busy || fd == kNoSocket) return;
    const auto now = Clock::now();
    if (stop && (!finishing || now >= stop_at + kStopGrace)) {
        CutLocked();
    } else if (now >= deadline) {
        timed_out = true;
        CutLocked();
    }
}

void RequestBound::CutLocked() {
    // shutdown, not close: the descriptor stays the library's until it closes it itself.
    if (fd == kNoSocket) return;
    ShutdownOnly(fd);
    cut = true;
}

RequestBound::Clock::time_point RequestBound::NextLookLocked() const {
    if (!busy || fd == kNoSocket) return Clock::time_point::max();
    if (cut) return Clock::now() + kRecut;
    if (stop && finishing) return std::min(deadline, stop_at + kStopGrace);
    return deadline;
}

void RequestBound::WakeSupervisorLocked() {
    // Progress only moves the limit later; the supervisor then finds it at its next look.
    if (NextLookLocked() < supervisor_looks_at) supervisor_wake.notify_all();
}

void RequestBound::Supervise() {
    std::unique_lock<std::mutex> lock(mutex);
    while (!finished) {
        CheckLocked();
        supervisor_looks_at = NextLookLocked();
        if (supervisor_looks_at == Clock::time_point::max()) {
            supervisor_wake.wait(lock);
        } else {
            supervisor_wake.wait_until(lock, supervisor_looks_at);
        }
    }
}

void RequestBound::Finish() {
    std::lock_guard<std::mutex> lock(mutex);
    finished = true;
    supervisor_wake.notify_all();
}

bool RequestBound::StopRequested() const {
    return stop_signal.Raised();
}

bool RequestBound::TimedOut() const {
    std::lock_guard<std::mutex> lock(mutex);
    return timed_out;
}

void RequestBound::ClearTimedOut() {
    std::lock_guard<std::mutex> lock(mutex);
    timed_out = false;
}

bool RequestBound::Pause(std::chrono::milliseconds duration) {
    return stop_signal.WaitFor(duration);
}
