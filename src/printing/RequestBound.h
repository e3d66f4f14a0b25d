#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/LoopbackSocket.h"
#include "platform/StopSignal.h"

// Puts a time limit on the blocking library calls of one worker, and makes a stop request
// reach it at once. The worker names the socket its calls wait on and marks each call (or each
// step of progress); a supervising thread (Supervise) shuts the socket down when a call outlived
// its limit or a stop was asked for, so the blocked call returns with an error. The supervisor
// wakes only for that: at a running call's limit, at a stop, at the end of the work. Only the
// socket is touched from the other thread, never the library's state.
class RequestBound {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RequestBound(std::chrono::milliseconds limit);
    // Before the work starts.
    void SetLimit(std::chrono::milliseconds call_limit) { limit = call_limit; }

    // The socket the worker's calls wait on; -1 when there is none (set it to -1 before the
    // socket is closed).
    void SetSocket(SocketHandle fd);
    // A call starts, or the running one made progress: its limit counts from now.
    void Begin();
    void Begin(std::chrono::milliseconds call_limit);
    // A call that completes work already done (deleting a document that was copied): a stop
    // lets it run on for a short grace instead of cutting it at once.
    void BeginFinishing();
    void End();

    // Supervisor side. Any thread may ask for a stop.
    void RequestStop();
    // Shuts the socket down when a running call is past its limit or a stop was asked for.
    void Check();
    // Runs Check() whenever it may cut something, until the worker calls Finish().
    void Supervise();
    // Worker side: no more calls will come.
    void Finish();

    bool StopRequested() const;
    // True once Check() cut the socket because a call outlived its limit (not for a stop).
    bool TimedOut() const;
    void ClearTimedOut();
    // Waits, returning early (false) when a stop is asked for meanwhile.
    bool Pause(std::chrono::milliseconds duration);
    // What a stop raises, for a wait on something else that a stop must cut short too.
    const StopSignal& StopSignalled() const { return stop_signal; }

  private:
    void CheckLocked();
    void CutLocked();
    // When the supervisor must look next; max() while nothing runs.
    Clock::time_point NextLookLocked() const;
    void WakeSupervisorLocked();

    std::chrono::milliseconds limit;
    StopSignal stop_signal;
    mutable std::mutex mutex;
    std::condition_variable supervisor_wake;
    SocketHandle fd = kNoSocket;
    bool busy = false;
    bool finishing = false;
    bool stop = false;
    bool timed_out = false;
    bool cut = false;  // the running call's socket was shut down and the call has not returned
    bool finished = false;
    Clock::time_point deadline{};
    Clock::time_point stop_at{};
    Clock::time_point supervisor_looks_at = Clock::time_point::max();
};

// Marks one blocking call for the bound while it lives.
class BoundCall {
  public:
    explicit BoundCall(RequestBound& bound_) : bound(bound_) { bound.Begin(); }
    BoundCall(RequestBound& bound_, std::chrono::milliseconds limit) : bound(bound_) {
        bound.Begin(limit);
    }
    ~BoundCall() { bound.End(); }
    BoundCall(const BoundCall&) = delete;
    BoundCall& operator=(const BoundCall&) = delete;

  private:
    RequestBound& bound;
};

// Marks one finishing call (see RequestBound::BeginFinishing) while it lives.
class FinishingCall {
  public:
    explicit FinishingCall(RequestBound& bound_) : bound(bound_) { bound.BeginFinishing(); }
    ~FinishingCall() { bound.End(); }
    FinishingCall(const FinishingCall&) = delete;
    FinishingCall& operator=(const FinishingCall&) = delete;

  private:
    RequestBound& bound;
};
