#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "printing/RequestBound.h"

namespace {
using std::chrono::milliseconds;

// A connected pair: the bound watches one end; the other tells whether it was shut down.
class SocketPair {
  public:
    SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, ends), 0); }
    ~SocketPair() {
        close(ends[0]);
        close(ends[1]);
    }
    int watched() const { return ends[0]; }
    // True when the watched end was shut down (the other end reads its end of stream).
    bool Cut() const {
        pollfd other{ends[1], POLLIN, 0};
        char byte = 0;
        return poll(&other, 1, 0) == 1 && recv(ends[1], &byte, 1, MSG_DONTWAIT) == 0;
    }

  private:
    int ends[2] = {-1, -1};
};
}  // namespace

TEST(RequestBound, CutsACallPastItsLimitOrAtAStopButNotAnIdleSocket) {
    struct Case {
        const char* what;
        bool call_running;
        bool stop;
        milliseconds waited;
        bool cut;
        bool timed_out;
    };
    const Case cases[] = {
        {"call within its limit", true, false, milliseconds(0), false, false},
        {"call past its limit", true, false, milliseconds(150), true, true},
        {"stop during a call", true, true, milliseconds(0), true, false},
        {"stop between calls", false, true, milliseconds(0), false, false},
        {"idle past the limit", false, false, milliseconds(150), false, false},
    };
    for (const Case& c : cases) {
        SocketPair pair;
        RequestBound bound(milliseconds(100));
        bound.SetSocket(pair.watched());
        if (c.call_running) bound.Begin();
        std::this_thread::sleep_for(c.waited);
        if (c.stop) bound.RequestStop();
        bound.Check();
        EXPECT_EQ(pair.Cut(), c.cut) << c.what;
        EXPECT_EQ(bound.TimedOut(), c.timed_out) << c.what;
        bound.SetSocket(-1);
    }
}

TEST(RequestBound, FinishingCallGetsAGraceAfterAStopAndANewCallAfterAStopFailsAtOnce) {
    SocketPair pair;
    RequestBound bound(milliseconds(10000));
    bound.SetSocket(pair.watched());
    {
        FinishingCall call(bound);
        bound.RequestStop();
        bound.Check();
        EXPECT_FALSE(pair.Cut()) << "a delete under way may finish";
        std::this_thread::sleep_for(milliseconds(500));
        bound.Check();
        EXPECT_TRUE(pair.Cut()) << "but not for long";
    }
    SocketPair next;
    bound.SetSocket(next.watched());
    EXPECT_TRUE(next.Cut()) << "a socket named after the stop is cut at once";
    EXPECT_FALSE(bound.Pause(milliseconds(1000))) << "a pause after a stop returns at once";
    bound.SetSocket(-1);
}

// The supervisor is woken by the limit itself, not by polling, and ends with the work.
TEST(RequestBound, SupervisorCutsACallAtItsLimitAndEndsWithTheWork) {
    SocketPair pair;
    RequestBound bound(milliseconds(100));
    std::thread supervisor([&bound] { bound.Supervise(); });
    bound.SetSocket(pair.watched());
    bound.Begin();
    const auto started = std::chrono::steady_clock::now();
    while (!pair.Cut() && std::chrono::steady_clock::now() - started < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_TRUE(pair.Cut());
    EXPECT_TRUE(bound.TimedOut());
    bound.End();
    bound.SetSocket(-1);
    bound.Finish();
    supervisor.join();
}
