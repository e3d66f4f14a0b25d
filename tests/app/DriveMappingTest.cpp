// The drive scripts as the application starts them, real ones with gio, against the sandbox's
// FTP and WebDAV servers behind the session's forwarding of the drive ports.
#include "ApplicationTest.h"
#include "support/DriveForwarding.h"
#include "support/EventPump.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"
#include "support/TestDeployment.h"
#include "support/VncServer.h"

namespace {
using namespace std::chrono_literals;

class DriveMapping : public ApplicationTest {
  protected:
    PrivateSessionBus bus;
    TempDir runtime;  // the scripts' notes
    ScopedVariable runtime_dir{"XDG_RUNTIME_DIR", runtime.path()};
};

// Tunnel mode with real programs all the way: the first forwarding leads to the desktop host's
// SSH server; the forwarding ssh that the application starts logs in there and opens the
// viewer's port and the drive ports; TigerVNC, started beside it, waits for its port and shows
// the desktop; the real scripts mount both drives.
TEST_F(DriveMapping, ATunnelModeSessionShowsTheDesktopAndMountsBothDrives) {
    for (const char* script :
         {"mapftp.sh", "mapwebdav.sh", "unmapftp.sh", "unmapwebdav.sh", "drivecommon.sh"}) {
        folder.UseAdapter(std::string("scripts/") + script);
    }
    folder.UseBundled("turbovnc");
    DrivePortsLock drive_ports;  // the application's forwarding ssh opens them
    const std::string cookie = "tunnel42";
    VncServer desktop(cookie);
    const nlohmann::json session = {
        {"tunnel_mode", 1}, {"websock", false}, {"drives", true}, {"cookie", cookie}};
    sandbox = std::make_unique<Sandbox>(
        SandboxOptions().WithHttps().WithSsh().WithDrives().WithDesktopSsh().WithScenario(
            Scenario({{"session", session}, {"desktop_host", {{"desktop", desktop.Port()}}}})));
    UseSandbox(*sandbox);
    StartApp();

    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    const std::string both =
        "dav://127.0.0.1:8022/ ftp://" + std::string(kUser) + "@127.0.0.1:8021/ ";
    EXPECT_TRUE(PumpUntil([&] { return bus.Mounts() == both; }, 60s)) << bus.Mounts();
    EXPECT_TRUE(PumpUntil([&] { return desktop.WaitForLog(VncServer::kViewerIn, 0ms); }, 60s))
        << desktop.Log();

    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_TRUE(PumpUntil([&] { return desktop.WaitForLog(VncServer::kViewerGone, 0ms); }, 30s))
        << desktop.Log();
    // The forwarding that carried both drives has ended: neither stays mounted.
    EXPECT_TRUE(PumpUntil([&] { return bus.Mounts().empty(); }, 30s)) << bus.Mounts();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}
}  // namespace
