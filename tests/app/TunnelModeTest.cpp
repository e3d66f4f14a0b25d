// Tunnel mode: the forwarding ssh with the drive ports, and the drive mapping scripts.
#include <filesystem>

#include "ApplicationTest.h"
#include "service/Sha256Hex.h"
#include "support/EventPump.h"
#include "support/LoopbackPorts.h"

namespace {
using Strings = std::vector<std::string>;

class TunnelMode : public ApplicationTest {};

TEST_F(TunnelMode, ForwardingSshRunsWithTheDriveScriptsAndItsEndUnmapsAndRemovesTheKey) {
    const nlohmann::json session = {
        {"tunnel_mode", 1},
        {"port", ClosedLoopbackPort()},
        {"ftp", {{"host", "127.0.0.1"}, {"port", 2121}, {"salt", "pepper-salt"}}},
        {"webdav", {{"host", "127.0.0.1"}, {"port", 8080}, {"salt", ""}}}};
    StartSandbox(false, Scenario({{"session", session}}));
    StartApp();
    const std::string ftp_hash = Sha256Hex(std::string("pepper-salt") + kPassword);
    for (size_t round = 1; round <= 2; ++round) {
        SCOPED_TRACE("session " + std::to_string(round));
        Connect();
        ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
        ASSERT_TRUE(PumpUntil([&] { return folder.Calls("mapwebdav").size() == round; }));
        const Strings ftp_calls = folder.Calls("mapftp");
        ASSERT_EQ(ftp_calls.size(), round);
        EXPECT_EQ(ftp_calls.back(), "[" + std::string(kUser) + "] [" + ftp_hash + "]");

        // Nothing answers as the desktop's SSH server, so the forwarding ssh ends by itself;
        // its end unmaps the FTP drive and removes its key.
        ASSERT_TRUE(PumpUntil([&] { return folder.Calls("unmapftp").size() == round; },
                              std::chrono::seconds(60)));
        MirlNxAppInspector inspect(TheApp());
        EXPECT_TRUE(PumpUntil([&] { return !inspect.HoldsForwardingSsh(); }));
        EXPECT_FALSE(inspect.HoldsTunnelKey());
        EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
        EXPECT_EQ(Desktop(), "Connected") << "the viewer still runs";

        PressButton();
        ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    }
    EXPECT_EQ(folder.Calls("viewer").size(), 2u);
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}
}  // namespace

namespace {
// The end of an earlier session's ssh can reach the application after a new session has
// started its own; only the ssh that really ended is released.
TEST_F(TunnelMode, AnEndEventOfAnotherSshLeavesTheRunningOneAlone) {
    SilentListener desktop_ssh;  // ssh connects and waits for a banner that never comes
    const nlohmann::json session = {
        {"tunnel_mode", 1},
        {"port", desktop_ssh.Port()},
        {"ftp", {{"host", "127.0.0.1"}, {"port", 2121}, {"salt", "s"}}}};
    StartSandbox(false, Scenario({{"session", session}}));
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    MirlNxAppInspector inspect(TheApp());
    ASSERT_TRUE(inspect.HoldsForwardingSsh());

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
    StartSandbox(false, Scenario({{"session", session}}));
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
