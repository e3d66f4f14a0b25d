#include "printing/RequestBound.h"

namespace {
// Short enough that a stop is still answered within a second.
constexpr std::chrono::milliseconds kStopGrace{400};
}  // namespace

RequestBound::RequestBound(std::chrono::milliseconds limit_) : limit(limit_) {}

void RequestBound::SetSocket(SocketHandle fd_) {
    std::lock_guard<std::mutex> lock(mutex);
    fd = fd_;
    if (stop && fd != kNoSocket) CutLocked();
}

void RequestBound::Begin() {
    Begin(limit);
}

void RequestBound::Begin(std::chrono::milliseconds call_limit) {
    std::lock_guard<std::mutex> lock(mutex);
    busy = true;
    finishing = false;
    deadline = Clock::now() + call_limit;
    if (stop && fd != kNoSocket) CutLocked();
}

void RequestBound::BeginFinishing() {
    std::lock_guard<std::mutex> lock(mutex);
    busy = true;
    finishing = true;
    deadline = Clock::now() + limit;
}

void RequestBound::End() {
    std::lock_guard<std::mutex> lock(mutex);
    busy = false;
}

void RequestBound::RequestStop() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!stop) stop_at = Clock::now();
        stop = true;
        if (busy && !finishing) CutLocked();
    }
    stop_signal.notify_all();
}

void RequestBound::Check() {
    std::lock_guard<std::mutex> lock(mutex);
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
    if (fd != kNoSocket) ShutdownOnly(fd);
}

bool RequestBound::StopRequested() const {
    std::lock_guard<std::mutex> lock(mutex);
    return stop;
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
    std::unique_lock<std::mutex> lock(mutex);
    return !stop_signal.wait_for(lock, duration, [this] { return stop; });
}
