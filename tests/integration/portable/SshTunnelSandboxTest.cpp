#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "config/Deployment.h"
#include "records/Events.h"
#include "session/LibsshDesktopSession.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/LoopbackConnection.h"
#include "support/Sandbox.h"
#include "tunnel/SshTunnel.h"

// The desktop side's standard-error stream is drained, never forwarded to the viewer.
class SshTunnelStandardErrorTest : public ::testing::Test {
  protected:
    SshTunnelStandardErrorTest() : sandbox(SandboxOptions().WithSsh().WithDesktop()) {}

    void TearDown() override {
        const bool ended = PumpUntil([&] { return watch.expired(); }, std::chrono::seconds(30));
        EXPECT_TRUE(ended);
        if (!ended) std::abort();  // it would report to a recorder that is gone
    }

    // Requests a session and starts its tunnel; then connects the viewer.
    void StartAndConnect() {
        const MirlNxServer server{"127.0.0.1", "127.0.0.1",
                                  static_cast<std::uint16_t>(sandbox.Port("ssh"))};
        MirlNxLogin login;
        login.username = "alice";
        SshSessionRequest request =
            RequestSessionOverSsh(server, login, BuiltInDeployment().session_request_key);
        watch = request.connection;
        auto* tunnel = new SshTunnel(&recorder, std::move(request.connection), request.session);
        EXPECT_EQ(tunnel->Run(), wxTHREAD_NO_ERROR);
        EXPECT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
        viewer.emplace(request.session.port + 4000);
        EXPECT_NE(recorder.WaitFor(EVT_MAP_DRIVES), nullptr);
    }

    Sandbox sandbox;
    EventRecorder recorder;
    std::weak_ptr<LibSshSession> watch;
    std::optional<LoopbackConnection> viewer;
};

TEST_F(SshTunnelStandardErrorTest, OnlyStandardErrorDataReachesNothing) {
    sandbox.SetScenario(
        {{"ssh", {{"tcpip_stderr", "stderr noise\n"}, {"tcpip_stderr_only", true}}}});
    StartAndConnect();
    ASSERT_TRUE(viewer->Connected());
    EXPECT_TRUE(viewer->NothingArrives(std::chrono::milliseconds(1500)));
    viewer->Close();
    EXPECT_NE(recorder.WaitFor(EVT_TUNNEL_FINISHED), nullptr);
}

TEST_F(SshTunnelStandardErrorTest, StandardErrorDataStaysOutOfTheDesktopsStream) {
    sandbox.SetScenario({{"ssh", {{"tcpip_stderr", "stderr noise\n"}}}});
    StartAndConnect();
    ASSERT_TRUE(viewer->Connected());
    ASSERT_TRUE(viewer->SendAll("hello desktop"));
    EXPECT_EQ(viewer->ReceiveExactly(13), "hello desktop");
    EXPECT_TRUE(viewer->NothingArrives(std::chrono::milliseconds(500)));
    viewer->Close();
    EXPECT_NE(recorder.WaitFor(EVT_TUNNEL_FINISHED), nullptr);
}
