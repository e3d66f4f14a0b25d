#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "records/Events.h"
#include "session/LibsshDesktopSession.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/LibSshLogin.h"
#include "support/Sandbox.h"
#include "support/TcpPeer.h"
#include "tunnel/SshTunnel.h"

namespace {
bool NothingArrives(int fd, int milliseconds) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, milliseconds) == 0;
}
}  // namespace

// The desktop side's standard-error stream is drained, never forwarded to the viewer.
class SshTunnelStandardErrorTest : public ::testing::Test {
  protected:
    SshTunnelStandardErrorTest() : sandbox(SandboxOptions().WithSsh().WithDesktop()) {}

    void TearDown() override {
        const bool ended = PumpUntil([&] { return watch.expired(); }, std::chrono::seconds(30));
        EXPECT_TRUE(ended);
        if (!ended) std::abort();  // it would report to a recorder that is gone
    }

    // Requests a session and starts its tunnel; returns the viewer's connection.
    int StartAndConnect() {
        const MirlNxServer server{"127.0.0.1", "127.0.0.1",
                                  static_cast<std::uint16_t>(sandbox.Port("ssh"))};
        MirlNxLogin login;
        login.username = "alice";
        SshSessionRequest request =
            RequestSessionOverSsh(server, login, BuildKeyText("session_request_key"));
        watch = request.connection;
        auto* tunnel = new SshTunnel(&recorder, std::move(request.connection), request.session);
        EXPECT_EQ(tunnel->Run(), wxTHREAD_NO_ERROR);
        EXPECT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
        const int viewer = ConnectLoopback(request.session.port + 4000);
        EXPECT_NE(recorder.WaitFor(EVT_MAP_DRIVES), nullptr);
        return viewer;
    }

    Sandbox sandbox;
    EventRecorder recorder;
    std::weak_ptr<LibSshSession> watch;
};

TEST_F(SshTunnelStandardErrorTest, OnlyStandardErrorDataReachesNothing) {
    sandbox.SetScenario(
        {{"ssh", {{"tcpip_stderr", "stderr noise\n"}, {"tcpip_stderr_only", true}}}});
    const int viewer = StartAndConnect();
    ASSERT_GE(viewer, 0);
    EXPECT_TRUE(NothingArrives(viewer, 1500));
    close(viewer);
    EXPECT_NE(recorder.WaitFor(EVT_TUNNEL_FINISHED), nullptr);
}

TEST_F(SshTunnelStandardErrorTest, StandardErrorDataStaysOutOfTheDesktopsStream) {
    sandbox.SetScenario({{"ssh", {{"tcpip_stderr", "stderr noise\n"}}}});
    const int viewer = StartAndConnect();
    ASSERT_GE(viewer, 0);
    ASSERT_TRUE(SendAll(viewer, "hello desktop"));
    EXPECT_EQ(ReceiveExactly(viewer, 13), "hello desktop");
    EXPECT_TRUE(NothingArrives(viewer, 500));
    close(viewer);
    EXPECT_NE(recorder.WaitFor(EVT_TUNNEL_FINISHED), nullptr);
}
