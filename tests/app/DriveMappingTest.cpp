// The drive scripts as the application starts them, real ones with gio, against the sandbox's
// FTP and WebDAV servers behind the session's forwarding of the drive ports.
#include "ApplicationTest.h"
#include "support/DriveForwarding.h"
#include "support/EventPump.h"
#include "support/LoopbackPorts.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"
#include "support/TestDeployment.h"

namespace {
class DriveMapping : public ApplicationTest {
  protected:
    PrivateSessionBus bus;
    TempDir runtime;  // the scripts' notes
    ScopedVariable runtime_dir{"XDG_RUNTIME_DIR", runtime.path()};
};

TEST_F(DriveMapping, TheScriptsMountBothDrivesAndTheForwardingsEndUnmountsTheFtpDrive) {
    for (const char* script : {"mapftp.sh", "mapwebdav.sh", "unmapftp.sh", "drivecommon.sh"}) {
        folder.UseAdapter(std::string("scripts/") + script);
    }

    // The forwarding ssh of tunnel mode reaches a desktop whose SSH server never answers: it
    // stays up (as a working one would) until Disconnect kills it.
    int port = FreeLoopbackPort();
    while (port > 61000) port = FreeLoopbackPort();  // the viewer's port is this + 4000
    const nlohmann::json session = {{"tunnel_mode", 1}, {"port", port}, {"drives", true}};
    SandboxOptions options{
        true, true, false, true,
        Scenario({{"session", session}, {"ssh", {{"tcpip_silent_ports", {22}}}}})};
    options.drives = true;
    sandbox = std::make_unique<Sandbox>(options);
    UseSandbox(*sandbox);
    DriveForwarding forwarding(*sandbox);
    ASSERT_TRUE(forwarding.Start());
    StartApp();

    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    const std::string both =
        "dav://127.0.0.1:8022/ ftp://" + std::string(kUser) + "@127.0.0.1:8021/ ";
    EXPECT_TRUE(PumpUntil([&] { return bus.Mounts() == both; }, std::chrono::seconds(60)))
        << bus.Mounts();

    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_TRUE(PumpUntil([&] { return bus.Mounts() == "dav://127.0.0.1:8022/ "; },
                          std::chrono::seconds(30)))
        << bus.Mounts();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}
}  // namespace
