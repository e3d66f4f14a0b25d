// The viewer adapter's web-socket bridge against the sandbox's desktop proxy, with the test
// itself as the viewer's connection and a shell stand-in as the viewer's process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "support/ChildProcess.h"
#include "support/LoopbackPorts.h"
#include "support/OtherUser.h"
#include "support/Sandbox.h"
#include "support/TcpPeer.h"
#include "support/TempDir.h"

namespace {
using namespace std::chrono_literals;

const std::string kBridge =
    std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux/turbovnc/wss-bridge.py";
const std::string kGreeting = "RFB 003.008\n";

std::string LastLine(const std::string& text) {
    std::istringstream lines(text);
    std::string line, last;
    while (std::getline(lines, line)) {
        if (!line.empty()) last = line;
    }
    return last;
}

// A desktop that speaks first, echoes what it gets, and notes when its peer hangs up.
struct EchoDesktop {
    std::atomic<bool> peer_closed{false};
    TcpPeer peer{[this](int fd) {
        SendAll(fd, kGreeting);
        char buffer[4096];
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            SendAll(fd, std::string(buffer, static_cast<size_t>(n)));
        }
        peer_closed = true;
    }};
};

// The bridge started on a desktop URL; its stand-in viewer prints "VIEWER <pid> <port>" and
// then runs the given shell tail (by default it waits to be killed).
struct Bridge {
    TempDir dir;
    std::unique_ptr<ChildProcess> process;
    int viewer_pid = -1;
    int port = -1;

    Bridge(const std::string& url, const std::string& viewer_tail = "exec sleep 600") {
        process = std::make_unique<ChildProcess>(
            std::vector<std::string>{kBridge, url, "/bin/sh", "-c",
                                     "echo VIEWER $$ %PORT%; " + viewer_tail},
            std::vector<std::string>{}, dir.File("stderr"));
    }
    bool ViewerStarted() {
        try {
            std::istringstream(process->WaitForLine("VIEWER ", 30s)) >> viewer_pid >> port;
        } catch (const std::exception&) {
            return false;
        }
        return viewer_pid > 0 && port > 0;
    }
    std::string Errors() const { return ReadWholeFile(dir.File("stderr")); }
};

std::string DesktopUrl(int proxy_port, int desktop_port) {
    return "wss://127.0.0.1:" + std::to_string(proxy_port) + "/desktop/https/127.0.0.1/" +
           std::to_string(desktop_port + 5000);
}

struct ProxyFixture : testing::Test {
    Sandbox sandbox{SandboxOptions().WithHttps()};
    EchoDesktop desktop;
    std::string Url() const { return DesktopUrl(sandbox.Port("https"), desktop.peer.Port()); }
};

class WssBridge : public ProxyFixture {};

TEST_F(WssBridge, CarriesTheDesktopBothWaysAndServesOneConnection) {
    Bridge bridge(Url());
    ASSERT_TRUE(bridge.ViewerStarted()) << bridge.Errors();
    const int fd = ConnectLoopback(bridge.port);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReceiveExactly(fd, kGreeting.size()), kGreeting);
    const std::string bytes = RandomBytes(200000, 7);
    std::string back;
    std::thread writer([&] { SendAll(fd, bytes); });
    back = ReceiveExactly(fd, bytes.size());
    writer.join();
    EXPECT_TRUE(back == bytes) << back.size() << " of " << bytes.size() << " bytes came back";

    // A second connection finds the listener gone or is closed at once.
    const int second = ConnectLoopback(bridge.port);
    EXPECT_TRUE(second < 0 || PeerClosed(second, 5000));
    if (second >= 0) close(second);

    // The viewer hangs up: the desktop's connection ends, but the bridge lives with the viewer.
    close(fd);
    EXPECT_TRUE([&] {
        for (int i = 0; i < 250 && !desktop.peer_closed; ++i) usleep(20000);
        return desktop.peer_closed.load();
    }());
    EXPECT_TRUE(bridge.process->Running());
    ASSERT_EQ(kill(bridge.viewer_pid, SIGTERM), 0);
    EXPECT_EQ(bridge.process->WaitForExit(10s), 0);  // the desktop was shown: a normal end
    EXPECT_EQ(bridge.Errors(), "");
    EXPECT_EQ(desktop.peer.Accepted(), 1);
}

// A viewer that gives up before it has shown the desktop ends the bridge with its status; once
// the desktop was shown, the viewer's end is the session's normal end.
// The bridge's port is open to every user of the computer: one who connects first gets
// nothing, and the user's own viewer still gets the desktop.
TEST_F(WssBridge, ServesOnlyAConnectionFromTheUsersOwnProcesses) {
    OtherUser other;
    Bridge bridge(Url());
    ASSERT_TRUE(bridge.ViewerStarted()) << bridge.Errors();
    std::unique_ptr<ChildProcess> intruder;
    ASSERT_EQ(other.Connect(bridge.port, intruder), "CONNECTED");
    for (int i = 0; i < 250 && bridge.Errors().empty(); ++i) usleep(20000);
    EXPECT_EQ(LastLine(bridge.Errors()),
              "A connection to the desktop's port from another user was closed");
    const int fd = ConnectLoopback(bridge.port);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReceiveExactly(fd, kGreeting.size()), kGreeting);
    close(fd);
    EXPECT_EQ(desktop.peer.Accepted(), 1);
}

// One message past the bound ends the desktop instead of filling memory.
TEST_F(WssBridge, AMessageLargerThanTheBoundClosesWith1009) {
    sandbox.SetScenario({{"desktop_proxy", {{"first_frame_bytes", 5 << 20}}}});
    Bridge bridge(Url());
    ASSERT_TRUE(bridge.ViewerStarted()) << bridge.Errors();
    const int fd = ConnectLoopback(bridge.port);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReceiveUntilClosed(fd).size(), 0u);
    close(fd);
    for (int i = 0; i < 250 && bridge.Errors().empty(); ++i) usleep(20000);
    EXPECT_EQ(LastLine(bridge.Errors()),
              "The desktop proxy sent a message larger than 4 MiB (closed with 1009)");
}

TEST_F(WssBridge, ViewerThatEndsBeforeConnectingEndsTheBridgeWithItsStatus) {
    Bridge bridge(Url(), "sleep 1; exit 3");
    ASSERT_TRUE(bridge.ViewerStarted()) << bridge.Errors();
    EXPECT_EQ(bridge.process->WaitForExit(15s), 3);
}

TEST_F(WssBridge, EndingTheBridgeEndsItsViewer) {
    Bridge bridge(Url());
    ASSERT_TRUE(bridge.ViewerStarted()) << bridge.Errors();
    ASSERT_EQ(kill(bridge.process->pid(), SIGTERM), 0);
    EXPECT_EQ(bridge.process->WaitForExit(10s), 128 + SIGTERM);
    usleep(100000);
    EXPECT_NE(kill(bridge.viewer_pid, 0), 0) << "the viewer outlived its bridge";
}

TEST_F(WssBridge, ProxyThatClosesIsToldAndTheViewerSeesTheEnd) {
    TcpPeer short_desktop(TcpPeer::SendAndClose(kGreeting));
    Bridge bridge(DesktopUrl(sandbox.Port("https"), short_desktop.Port()));
    ASSERT_TRUE(bridge.ViewerStarted()) << bridge.Errors();
    const int fd = ConnectLoopback(bridge.port);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReceiveUntilClosed(fd), kGreeting);
    close(fd);
    for (int i = 0; i < 250 && bridge.Errors().empty(); ++i) usleep(20000);
    EXPECT_EQ(LastLine(bridge.Errors()),
              "The desktop proxy closed the connection (1000: the desktop ended)");
    // The viewer shows the end in its own way; the bridge waits for it.
    EXPECT_TRUE(bridge.process->Running());
    ASSERT_EQ(kill(bridge.viewer_pid, SIGKILL), 0);
    EXPECT_EQ(bridge.process->WaitForExit(10s), 0);
}

TEST_F(WssBridge, ProxyThatRefusesEndsWithOneLineAndStartsNoViewer) {
    struct Case {
        const char* name;
        std::string url;
        nlohmann::json scenario;
        std::string line;  // the start of the last line of the error output
    };
    const std::string proxy = "127.0.0.1:" + std::to_string(sandbox.Port("https"));
    const int closed = ClosedLoopbackPort();
    const Case cases[] = {
        {"nothing listens", DesktopUrl(closed, desktop.peer.Port()), nlohmann::json::object(),
         "Cannot reach the desktop proxy 127.0.0.1:" + std::to_string(closed) +
             ": Connection refused"},
        {"the proxy refuses the desktop",
         Url(),
         {{"desktop_proxy", {{"desktop_status", 403}}}},
         "The desktop proxy " + proxy + " refused the desktop (HTTP 403)"},
        {"the desktop behind the proxy is down", DesktopUrl(sandbox.Port("https"), closed),
         nlohmann::json::object(),
         "The desktop proxy " + proxy + " refused the desktop (HTTP 502)"},
        {"a path the proxy does not serve",
         "wss://" + proxy + "/desktop/https/192.0.2.1/" +
             std::to_string(desktop.peer.Port() + 5000),
         nlohmann::json::object(),
         "The desktop proxy " + proxy + " refused the desktop (HTTP 404)"},
        {"no TLS", DesktopUrl(desktop.peer.Port(), desktop.peer.Port()), nlohmann::json::object(),
         "No secure connection with the desktop proxy 127.0.0.1:" +
             std::to_string(desktop.peer.Port()) + ": "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sandbox.SetScenario(c.scenario);
        Bridge bridge(c.url);
        EXPECT_FALSE(bridge.ViewerStarted());
        EXPECT_EQ(bridge.process->WaitForExit(30s), 1);
        EXPECT_EQ(LastLine(bridge.Errors()).rfind(c.line, 0), 0u) << bridge.Errors();
    }
}
}  // namespace
