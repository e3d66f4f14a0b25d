#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "printing/RequestBound.h"
#include "support/SocketPair.h"

namespace {
using std::chrono::milliseconds;

// The bound watches the pair's first end; the second tells whether it was shut down. A cut
// reaches the other end within this over loopback TCP.
constexpr milliseconds kDelivery{200};
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
        bound.SetSocket(pair.first());
        if (c.call_running) bound.Begin();
        std::this_thread::sleep_for(c.waited);
        if (c.stop) bound.RequestStop();
        bound.Check();
        EXPECT_EQ(pair.FirstShutDown(kDelivery), c.cut) << c.what;
        EXPECT_EQ(bound.TimedOut(), c.timed_out) << c.what;
        bound.SetSocket(kNoSocket);
    }
}

TEST(RequestBound, FinishingCallGetsAGraceAfterAStopAndANewCallAfterAStopFailsAtOnce) {
    SocketPair pair;
    RequestBound bound(milliseconds(10000));
    bound.SetSocket(pair.first());
    {
        FinishingCall call(bound);
        bound.RequestStop();
        bound.Check();
        EXPECT_FALSE(pair.FirstShutDown(kDelivery)) << "a delete under way may finish";
        std::this_thread::sleep_for(milliseconds(500));
        bound.Check();
        EXPECT_TRUE(pair.FirstShutDown(kDelivery)) << "but not for long";
    }
    SocketPair next;
    bound.SetSocket(next.first());
    EXPECT_TRUE(next.FirstShutDown(kDelivery)) << "a socket named after the stop is cut at once";
    EXPECT_FALSE(bound.Pause(milliseconds(1000))) << "a pause after a stop returns at once";
    bound.SetSocket(kNoSocket);
}

// The supervisor is woken by the limit itself, not by polling, and ends with the work.
TEST(RequestBound, SupervisorCutsACallAtItsLimitAndEndsWithTheWork) {
    SocketPair pair;
    RequestBound bound(milliseconds(100));
    std::thread supervisor([&bound] { bound.Supervise(); });
    bound.SetSocket(pair.first());
    bound.Begin();
    const auto started = std::chrono::steady_clock::now();
    while (!pair.FirstShutDown(kDelivery) &&
           std::chrono::steady_clock::now() - started < std::chrono::seconds(5)) {
        std::this_thread::sleep_for(milliseconds(10));
    }
    EXPECT_TRUE(pair.FirstShutDown(kDelivery));
    EXPECT_TRUE(bound.TimedOut());
    bound.End();
    bound.SetSocket(kNoSocket);
    bound.Finish();
    supervisor.join();
}
