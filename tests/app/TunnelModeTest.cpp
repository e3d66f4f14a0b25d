// Tunnel mode: the forwarding ssh with the drive ports, and the drive mapping scripts.
#include <filesystem>

#include "ApplicationTest.h"
#include "service/Sha256Hex.h"
#include "support/ChildProcess.h"
#include "support/DriveForwarding.h"
#include "support/EventPump.h"
#include "support/LoopbackPorts.h"
#include "support/OtherUser.h"
#include "support/TestDeployment.h"
#include "support/VncServer.h"

namespace {
using Strings = std::vector<std::string>;

class TunnelMode : public ApplicationTest {};

TEST_F(TunnelMode, ForwardingSshRunsWithTheDriveScriptsAndItsEndUnmapsAndRemovesTheKey) {
    DrivePortsLock drive_ports;  // its ssh forwards them; a squatter elsewhere would end it
    const int desktop_ssh_port = ClosedLoopbackPort();
    const nlohmann::json session = {
        {"tunnel_mode", 1},
        {"port", desktop_ssh_port},
        {"ftp", {{"host", "127.0.0.1"}, {"port", 2121}, {"salt", "pepper-salt"}}},
        {"webdav", {{"host", "127.0.0.1"}, {"port", 8080}, {"salt", ""}}}};
    StartSandbox(PrintQueue::None, Scenario({{"session", session}}));
    StartApp();
    const std::string ftp_hash = Sha256Hex(std::string("pepper-salt") + kPassword);
    for (size_t round = 1; round <= 2; ++round) {
        SCOPED_TRACE("session " + std::to_string(round));
        Connect();
        ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
        // Both scripts run side by side, each noting itself when it starts.
        ASSERT_TRUE(PumpUntil([&] {
            return folder.Calls("mapwebdav").size() == round &&
                   folder.Calls("mapftp").size() == round;
        }));
        const Strings ftp_calls = folder.Calls("mapftp");
        ASSERT_EQ(ftp_calls.size(), round);
        EXPECT_EQ(ftp_calls.back(),
                  "[" + std::string(kUser) + "] {TOLLIVANCE_FTP_HASH=" + ftp_hash + "}");

        // Nothing answers as the desktop's SSH server, so the forwarding ssh ends by itself;
        // its end unmaps the drives, removes its key and ends the session, saying why.
        ASSERT_TRUE(PumpUntil([&] { return folder.Calls("unmapftp").size() == round; },
                              std::chrono::seconds(60)));
        MirlNxAppInspector inspect(TheApp());
        EXPECT_TRUE(PumpUntil([&] { return !inspect.HoldsForwardingSsh(); }));
        EXPECT_FALSE(inspect.HoldsTunnelKey());
        EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
        ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
        EXPECT_FALSE(folder.Running("viewer"));
        ASSERT_EQ(Messages().size(), round);
        EXPECT_EQ(Messages().back(), "Connection failed: ssh: connect to host 127.0.0.1 port " +
                                         std::to_string(desktop_ssh_port) + ": Connection refused");
    }
    EXPECT_EQ(folder.Calls("viewer").size(), 2u);
}

// Another user of the computer listens first on a port the forwarding would open (and would
// be handed the WebDAV drive): no ssh starts, and the session ends with a line naming the port.
TEST_F(TunnelMode, APortTakenByAnotherUserEndsTheSessionWithALineNamingIt) {
    DrivePortsLock drive_ports;
    OtherUser other;
    const auto squatter = other.Listen(8022);
    const nlohmann::json session = {
        {"tunnel_mode", 1},
        {"port", ClosedLoopbackPort()},
        {"webdav", {{"host", "127.0.0.1"}, {"port", 8080}, {"salt", ""}}}};
    StartSandbox(PrintQueue::None, Scenario({{"session", session}}));
    StartApp();
    Connect();
    ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); }, std::chrono::seconds(60)));
    EXPECT_EQ(Messages(),
              Strings{"Connection failed: ssh: port 8022 on this computer is taken by another "
                      "user"});
    EXPECT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsTunnelKey());
    EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
}

// The session cookie reaches the Linux viewer adapter in its environment: no other user reads
// it off a command line while the adapter waits for the forwarding's port, and the viewer
// still logs in to the desktop with it.
TEST_F(TunnelMode, TheCookieIsOnNoCommandLineWhileTheViewerWaitsForItsPort) {
    folder.UseBundled("turbovnc");
    const std::string cookie = "c00kie-for-no-eyes";
    VncServer desktop(cookie);
    const nlohmann::json session = {{"tunnel_mode", 1}, {"websock", false}, {"cookie", cookie}};
    SandboxOptions options{
        true, true, false, false,
        Scenario({{"session", session}, {"desktop_host", {{"desktop", desktop.Port()}}}})};
    options.desktop_ssh = true;
    sandbox = std::make_unique<Sandbox>(options);
    UseSandbox(*sandbox);
    StartApp();
    Connect();
    Strings seen;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!desktop.WaitForLog(VncServer::kViewerIn, std::chrono::milliseconds(0)) &&
           std::chrono::steady_clock::now() < deadline) {
        for (const std::string& line : CommandLinesWith(cookie)) seen.push_back(line);
        PumpFor(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(desktop.WaitForLog(VncServer::kViewerIn, std::chrono::milliseconds(0)))
        << desktop.Log();
    EXPECT_TRUE(seen.empty()) << testing::PrintToString(seen);
    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
}
}  // namespace

namespace {
// The end of an earlier session's ssh can reach the application after a new session has
// started its own; only the ssh that really ended is released.
TEST_F(TunnelMode, AnEndEventOfAnotherSshLeavesTheRunningOneAlone) {
    DrivePortsLock drive_ports;
    SilentListener desktop_ssh;
    ASSERT_TRUE(ConnectTunnelModeToSilentDesktop(desktop_ssh.Port()));
    MirlNxAppInspector inspect(TheApp());

    wxQueueEvent(&TheApp(), new wxCommandEvent(EVT_SSH_END));
    PumpFor(std::chrono::milliseconds(500));
    EXPECT_TRUE(inspect.HoldsForwardingSsh());
    EXPECT_TRUE(inspect.HoldsTunnelKey());
    EXPECT_TRUE(folder.Calls("unmapftp").empty());

    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_TRUE(PumpUntil([&] { return !inspect.HoldsForwardingSsh(); }));
    EXPECT_TRUE(PumpUntil([&] { return folder.Calls("unmapftp").size() == 1; }));
    EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
}

// Ports from 61536 on leave no local viewer port (P + 4000 wraps to 0): the session fails with
// a message instead of taking the application down, and nothing is started.
TEST_F(TunnelMode, ASessionPortWithoutALocalPortFailsTheConnection) {
    const nlohmann::json session = {{"tunnel_mode", 1}, {"websock", 1}, {"port", 61536}};
    StartSandbox(PrintQueue::None, Scenario({{"session", session}}));
    StartApp();
    Connect();
    ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); }, std::chrono::seconds(60)));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].rfind("Connection failed: ", 0), 0u) << Messages()[0];
    EXPECT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_TRUE(folder.Calls("viewer").empty());
    EXPECT_TRUE(folder.Calls("mapftp").empty());
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsForwardingSsh());
    EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
}
}  // namespace
