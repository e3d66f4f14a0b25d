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
