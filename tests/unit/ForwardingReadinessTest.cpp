#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/LoopbackSocket.h"
#include "session/ForwardingReadiness.h"
#include "support/LoopbackListener.h"

namespace {

const std::string kAuthenticated =
    "Authenticated to 127.0.0.1 ([127.0.0.1]:22) using \"publickey\".\n";
const std::string kListening = "debug1: Local forwarding listening on 127.0.0.1 port 9901.\n";

TEST(ForwardingReadiness, ListeningCountsOnlyAfterAuthentication) {
    struct Case {
        const char* name;
        std::vector<std::string> pieces;
        bool authenticated;
        bool listening;
    };
    const std::vector<Case> cases = {
        {"ssh's own order", {"debug1: Connecting\n", kAuthenticated, kListening}, true, true},
        {"split anywhere, ssh before 8.9",
         {"debug1: Authenti", "cation succeeded (publickey).\r\ndebug1: Lo",
          "cal forwarding listening on 127.0.0.1 port 9901.\n"},
         true,
         true},
        {"banner imitates the listening line", {kListening, "Permission denied\n"}, false, false},
        {"listening before authenticating", {kListening, kAuthenticated}, true, false},
        {"markers inside lines", {"x " + kAuthenticated, "x " + kListening}, false, false},
        {"no line end yet",
         {kAuthenticated, kListening.substr(0, kListening.size() - 1)},
         true,
         false},
    };
    for (const Case& c : cases) {
        ForwardingReadiness readiness(9901);
        for (const std::string& piece : c.pieces) readiness.Feed(piece);
        EXPECT_EQ(readiness.Authenticated(), c.authenticated) << c.name;
        EXPECT_EQ(readiness.ListeningReported(), c.listening) << c.name;
    }
}

TEST(ForwardingReadiness, KeepsABoundedTail) {
    ForwardingReadiness readiness(9901, ForwardingReadiness::Limits{100, 4});
    // A banner without line ends, far larger than anything kept.
    const std::string block(1 << 20, 'b');
    for (int i = 0; i < 16; ++i) readiness.Feed(block);
    EXPECT_TRUE(readiness.Lines().empty());
    readiness.Feed("tail\n" + kAuthenticated);
    ASSERT_EQ(readiness.Lines().size(), 2u);
    EXPECT_EQ(readiness.Lines().front(), std::string(100, 'b'));  // the rest of it was dropped
    EXPECT_TRUE(readiness.Authenticated());
    for (int i = 0; i < 10; ++i) readiness.Feed("line " + std::to_string(i) + "\n");
    ASSERT_EQ(readiness.Lines().size(), 4u);
    EXPECT_EQ(readiness.Lines().front(), "line 6");
    readiness.Feed("last words without an end");
    readiness.Finish();
    EXPECT_EQ(readiness.Lines().back(), "last words without an end");
}

TEST(ForwardingReadiness, ReasonIsTheLastLineThatIsNotDebug) {
    ForwardingReadiness readiness(9901);
    readiness.Feed("debug1: Connecting\nmirlnx@h: Permission denied (publickey).\ndebug1: bye\n");
    EXPECT_EQ(readiness.Reason(), "mirlnx@h: Permission denied (publickey).");
    ForwardingReadiness only_debug(9901);
    only_debug.Feed("debug1: a\ndebug1: b\n");
    EXPECT_EQ(only_debug.Reason(), "debug1: b");
    EXPECT_EQ(ForwardingReadiness(9901).Reason(), "");
}

TEST(ForwardingReadiness, ReadyOnlyWhenTheLocalPortAccepts) {
    const SilentListener listener;
    const auto port = static_cast<std::uint16_t>(listener.Port());
    ForwardingReadiness readiness(port);
    EXPECT_FALSE(readiness.Ready()) << "nothing reported yet";
    readiness.Feed(kAuthenticated + kListening);
    EXPECT_TRUE(readiness.Ready());

    ForwardingReadiness nobody(static_cast<std::uint16_t>(ClosedLoopbackPort()));
    nobody.Feed(kAuthenticated + kListening);
    EXPECT_FALSE(nobody.Ready());
}

TEST(ForwardingReadiness, PortFreeOnlyWhenNobodyListens) {
    const SilentListener listener;
    EXPECT_FALSE(LoopbackPortFree(static_cast<std::uint16_t>(listener.Port())));
    EXPECT_TRUE(LoopbackPortFree(static_cast<std::uint16_t>(ClosedLoopbackPort())));
}

}  // namespace
