#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/ProgramLayout.h"
#include "records/Events.h"
#include "service/Sha256Hex.h"
#include "session/OpensshDesktopSession.h"
#include "session/OpensshProcess.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/LibSshLogin.h"
#include "support/Sandbox.h"
#include "support/SocketCensus.h"
#include "support/TcpPeer.h"
#include "support/TempDir.h"

class OpensshDesktopSessionTest : public ::testing::Test {
  protected:
    OpensshDesktopSessionTest() : sandbox(SandboxOptions().WithSsh().WithDesktop()) {}

    MirlNxServer Server() const {
        return {"127.0.0.1", "127.0.0.1", static_cast<std::uint16_t>(sandbox.Port("ssh"))};
    }

    // The shipped Linux adapter runs the system's ssh; the key file goes to a private folder.
    OpensshDesktopSession Variant() const {
        ForwardingOptions forwarding{
            LinuxLayout(), std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux", temp.path(),
            BuildKeyText("tunnel_key"), std::chrono::seconds(30)};
        return OpensshDesktopSession(BuildKeyText("session_request_key"), forwarding);
    }

    Sandbox sandbox;
    EventRecorder recorder;
    TempDir temp;
};

TEST_F(OpensshDesktopSessionTest, TheForwardingCarriesBytesAndOnlySshStaysConnected) {
    MirlNxLogin login;
    login.username = "bob";
    login.protocol = "vnc";
    auto [session, handles] = Variant().CreateSession(&recorder, Server(), login);
    ASSERT_NE(handles.process, nullptr);
    EXPECT_EQ(handles.thread, nullptr);
    EXPECT_EQ(session.port, sandbox.Port("desktop"));

    // Queued before the return, in this order.
    ASSERT_TRUE(PumpUntil([&] { return recorder.events().size() >= 2; }));
    EXPECT_EQ(recorder.Trace(), (std::vector<std::string>{"EVT_SESSION_READY", "EVT_MAP_DRIVES"}));
    EXPECT_EQ(recorder.Of(EVT_MAP_DRIVES).at(0).As<MirlNxLogin>(), login);

    // The request's own connection is gone; ssh holds the one that forwards.
    EXPECT_EQ(EstablishedConnections(getpid(), sandbox.Port("ssh")), 0);
    EXPECT_EQ(EstablishedConnections(handles.process->GetPid(), sandbox.Port("ssh")), 1);

    const int viewer = ConnectLoopback(session.port + 4000);
    ASSERT_GE(viewer, 0);
    const std::string payload = RandomBytes(256 * 1024, 11);
    ASSERT_TRUE(SendAll(viewer, payload));
    EXPECT_EQ(Sha256Hex(ReceiveExactly(viewer, payload.size())), Sha256Hex(payload));
    close(viewer);
    EXPECT_TRUE(std::filesystem::is_empty(temp.path())) << "the tunnel key file must be gone";

    wxProcess::Kill(handles.process->GetPid(), wxSIGKILL);
    const auto* finished = recorder.WaitFor(EVT_TUNNEL_FINISHED);
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(EventRecorder::Text(*finished), "Tunnel connection finished");
    delete handles.process;  // the application's part
}

TEST_F(OpensshDesktopSessionTest, ARefusedRequestStartsNoSshAndQueuesNothing) {
    sandbox.SetScenario({{"ssh", {{"auth", "refuse"}}}});
    const int before = OpensshProcess::LiveCount();
    try {
        Variant().CreateSession(&recorder, Server(), MirlNxLogin{});
        ADD_FAILURE() << "created a session";
    } catch (const std::string& message) {
        EXPECT_EQ(message, "auth failed");
    }
    EXPECT_EQ(OpensshProcess::LiveCount(), before);
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(recorder.events().empty());
    EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}
