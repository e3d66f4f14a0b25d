// The real viewer adapter: TigerVNC's vncviewer through the web-socket bridge and the sandbox's
// desktop proxy to a real VNC desktop.
#include <signal.h>

#include <filesystem>

#include "ApplicationTest.h"
#include "support/EventPump.h"
#include "support/VncServer.h"

namespace {
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The TigerVNC viewer working in the given folder (each test has a folder of its own), or -1.
int ViewerIn(const std::string& working_folder) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string comm = ReadWholeFile(entry.path().string() + "/comm");
        const auto cwd = fs::read_symlink(entry.path() / "cwd", error);
        if (comm == "vncviewer\n" && !error && cwd.string() == working_folder)
            return std::stoi(pid);
    }
    return -1;
}

class WebsockViewer : public ApplicationTest {};

TEST_F(WebsockViewer, TigerVncReachesTheDesktopThroughTheProxyAndDisconnectEndsIt) {
    const std::string cookie = "c00kie77";
    VncServer desktop(cookie);
    folder.UseBundled("turbovnc");
    StartSandbox(PrintQueue::None,
                 Scenario({{"session", {{"port", desktop.Port()}, {"cookie", cookie}}}}));
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

TEST_F(WebsockViewer, ClosingTheViewerEndsTheBridgeAndTheSession) {
    const std::string cookie = "closeme1";
    VncServer desktop(cookie);
    folder.UseBundled("turbovnc");
    StartSandbox(PrintQueue::None,
                 Scenario({{"session", {{"port", desktop.Port()}, {"cookie", cookie}}}}));
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return desktop.WaitForLog(VncServer::kViewerIn, 0ms); }, 60s))
        << desktop.Log();
    const int viewer = ViewerIn(folder.path() + "/turbovnc");
    ASSERT_GT(viewer, 0);

    ASSERT_EQ(kill(viewer, SIGTERM), 0);  // as closing its window does
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsViewer());
    EXPECT_TRUE(PumpUntil([&] { return desktop.WaitForLog(VncServer::kViewerGone, 0ms); }, 30s))
        << desktop.Log();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

TEST_F(WebsockViewer, ViewerEndsWhenTheProxyRefusesTheDesktop) {
    folder.UseBundled("turbovnc");
    StartSandbox(PrintQueue::None, Scenario({{"desktop_proxy", {{"desktop_status", 403}}}}));
    StartApp();
    Connect();
    // The adapter ends at once; its end is a disconnect, and its last line says why.
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsViewer());
    ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); }, 10s));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0].rfind("Connection failed: The desktop proxy ", 0), 0u) << Messages()[0];
    EXPECT_NE(Messages()[0].find("refused the desktop (HTTP 403)"), std::string::npos)
        << Messages()[0];
}
}  // namespace
