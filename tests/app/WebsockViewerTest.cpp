// The real viewer adapter: TigerVNC's vncviewer through the web-socket bridge and the sandbox's
// desktop proxy to a real VNC desktop.
#include "ApplicationTest.h"
#include "support/EventPump.h"
#include "support/VncServer.h"

namespace {
using namespace std::chrono_literals;

class WebsockViewer : public ApplicationTest {};

TEST_F(WebsockViewer, TigerVncReachesTheDesktopThroughTheProxyAndDisconnectEndsIt) {
    const std::string cookie = "c00kie77";
    VncServer desktop(cookie);
    folder.UseBundled("turbovnc");
    StartSandbox(false, Scenario({{"session", {{"port", desktop.Port()}, {"cookie", cookie}}}}));
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();

    // Past the desktop's password, so the cookie reached the viewer and the bytes both ways.
    EXPECT_TRUE(PumpUntil([&] { return desktop.WaitForLog(VncServer::kViewerIn, 0ms); }, 60s))
        << desktop.Log();
    const std::string path = "/desktop/https/127.0.0.1/" + std::to_string(desktop.Port() + 5000);
    bool through_proxy = false;
    for (const auto& request : sandbox->HttpsRequests()) {
        through_proxy = through_proxy || request.value("path", "") == path;
    }
    EXPECT_TRUE(through_proxy) << "no web-socket request for " << path;
    EXPECT_EQ(Desktop(), "Connected");

    PressButton();  // Disconnect
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_TRUE(PumpUntil([&] { return desktop.WaitForLog(VncServer::kViewerGone, 0ms); }, 30s))
        << desktop.Log();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

TEST_F(WebsockViewer, ViewerEndsWhenTheProxyRefusesTheDesktop) {
    folder.UseBundled("turbovnc");
    StartSandbox(false, Scenario({{"desktop_proxy", {{"desktop_status", 403}}}}));
    StartApp();
    Connect();
    // The adapter ends at once; its end is a disconnect.
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsViewer());
}
}  // namespace
