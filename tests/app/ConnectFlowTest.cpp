// Connect and disconnect through the real application: labels, viewers and their ends.
#include <signal.h>
#include <unistd.h>

#include <filesystem>

#include "ApplicationTest.h"
#include "support/EventPump.h"
#include "support/TempDir.h"

namespace {
using Strings = std::vector<std::string>;

bool Alive(int pid) {
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

std::string WorkingFolderOf(int pid) {
    std::error_code error;
    return std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/cwd", error).string();
}

class ConnectFlow : public ApplicationTest {};

TEST_F(ConnectFlow, LabelsFollowLoginSessionAndDisconnectAndTheViewerGetsItsCommandLine) {
    StartSandbox(PrintQueue::None, Scenario({{"session", {{"cookie", "c00kie-77"}}}}));
    StartApp();
    EXPECT_EQ(Desktop(), "Not Connected");
    EXPECT_EQ(Button(), "Connect+");

    Connect();
    EXPECT_EQ(Desktop(), "Connecting...");
    EXPECT_EQ(Button(), "Connecting...-");
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());

    // The desktop proxy hands out a web-socket desktop on its own host and port.
    ASSERT_TRUE(PumpUntil([&] { return folder.Calls("viewer").size() == 1; }));
    EXPECT_EQ(folder.Calls("viewer")[0],
              "[-clipboard-to-server] [-clipboard-from-server] [-compression] [9] [-quality] "
              "[40] [-subsample] [2] [wss://127.0.0.1:" +
                  std::to_string(sandbox->Port("https")) + "/desktop/https/127.0.0.1/" +
                  std::to_string(sandbox->Port("desktop") + 5000) + "]");
    EXPECT_EQ(MirlNxAppInspector(TheApp()).TunnelPid(), -1)
        << "no forwarding for a web-socket desktop";
    EXPECT_EQ(WorkingFolderOf(folder.LastPid("viewer")), folder.path() + "/turbovnc");
    // Without tunnel mode nothing forwards a drive, so none is mapped: whoever listens on the
    // drive's port would be handed it.
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(folder.Calls("mapwebdav").empty());
    EXPECT_TRUE(folder.Calls("mapftp").empty());
    EXPECT_TRUE(folder.Calls("xserver").empty());

    PressButton();  // now Disconnect
    EXPECT_EQ(Button(), "Connecting...-");
    EXPECT_EQ(Desktop(), "Connecting...");
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_FALSE(folder.Running("viewer"));
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsViewer());

    const Strings expected = {"Not Connected / Not Connected / Connect+",
                              "Connecting... / Not Connected / Connecting...-",
                              "Connected / Not Connected / Disconnect+",
                              "Connecting... / Not Connected / Connecting...-",
                              "Not Connected / Not Connected / Connect+"};
    EXPECT_EQ(trail->Looks(), expected);
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

TEST_F(ConnectFlow, DisconnectKillsTheViewerTogetherWithItsChildren) {
    folder.GiveChild("turbovnc/turbovnc-client-go", "viewer");
    // The kind of desktop the client reaches through its own ssh forwarding.
    StartSandbox(PrintQueue::None, Scenario({{"session", {{"websock", false}}}}));
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return folder.LastPid("viewer-child") > 0; }));
    const std::string local_port = std::to_string(sandbox->Port("desktop") + 4000);
    EXPECT_NE(folder.Calls("viewer")[0].find("[127.0.0.1:" + local_port + "]"), std::string::npos)
        << folder.Calls("viewer")[0];
    const int viewer = folder.LastPid("viewer");
    const int child = folder.LastPid("viewer-child");
    EXPECT_EQ(getpgid(viewer), viewer) << "the viewer leads its own process group";
    const long tunnel = MirlNxAppInspector(TheApp()).TunnelPid();
    EXPECT_GT(tunnel, 0) << "the session's own forwarding ssh";

    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_TRUE(PumpUntil([&] { return !Alive(viewer) && !Alive(child); }))
        << "viewer " << Alive(viewer) << ", its child " << Alive(child);
    // The end of the viewer also ends the session's forwarding.
    EXPECT_TRUE(PumpUntil([&] { return !Alive(static_cast<int>(tunnel)); }));
}

TEST_F(ConnectFlow, NxViewerEndingByItselfKeepsTheXServerForTheNextSession) {
    StartSandbox(PrintQueue::None,
                 Scenario({{"session", {{"protocol", "nx"}, {"cookie", "nx-cookie"}}}}));
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return folder.Running("nxproxy") && folder.Running("xserver"); }));
    EXPECT_EQ(folder.Calls("xserver"),
              Strings{"[:0] [-silent-dup-error] [-multiwindow] [-clipboard] [-notrayicon]"});
    EXPECT_EQ(
        folder.Calls("nxproxy"),
        Strings{"[-S] [nx,root=" + temp.path() +
                ",session=mirl,fullscreen=0,shmem=1,shpix=1,connect=127.0.0.1:" +
                std::to_string(sandbox->Port("desktop")) + "] {TOLLIVANCE_NX_COOKIE=nx-cookie}"});
    EXPECT_TRUE(folder.Calls("viewer").empty());
    const int xserver = folder.LastPid("xserver");

    // The user closes the viewer.
    ASSERT_EQ(kill(folder.LastPid("nxproxy"), SIGKILL), 0);
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_TRUE(Alive(xserver));
    EXPECT_TRUE(MirlNxAppInspector(TheApp()).HoldsXServer());

    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return folder.Calls("nxproxy").size() == 2; }));
    EXPECT_EQ(folder.Calls("xserver").size(), 1u) << "a running X server is reused";
    EXPECT_EQ(folder.LastPid("xserver"), xserver);
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());

    // Disconnect ends the X server too.
    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_TRUE(PumpUntil([&] { return !MirlNxAppInspector(TheApp()).HoldsXServer(); }));
    EXPECT_FALSE(Alive(xserver));
}

TEST_F(ConnectFlow, ViewerThatCannotStartIsReportedAndLeavesNothingHeld) {
    std::filesystem::remove(folder.path() + "/turbovnc/turbovnc-client-go");
    AddDefaultPrinter("Desk_Printer");
    StartSandbox(PrintQueue::Served);
    StartApp();
    Connect();
    ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); }, std::chrono::seconds(60)));
    EXPECT_EQ(Messages()[0].rfind("Connection failed: Cannot start turbovnc-client-go", 0), 0u)
        << Messages()[0];
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    MirlNxAppInspector inspect(TheApp());
    EXPECT_FALSE(inspect.HoldsViewer());
    // The print queue and the session's forwarding are stopped with it.
    EXPECT_TRUE(PumpUntil([&] { return !inspect.HoldsPrintQueue(); }));
    EXPECT_EQ(Printer(), "Not Connected");
    const long tunnel = inspect.TunnelPid();
    if (tunnel > 0) {
        EXPECT_TRUE(PumpUntil([&] { return !Alive(static_cast<int>(tunnel)); }));
    }
    EXPECT_EQ(Messages().size(), 1u);
}
}  // namespace

namespace {
// The sandbox logs a body's bytes as the characters U+0000..U+00FF; back to the bytes.
std::string BodyBytes(const std::string& logged) {
    std::string bytes;
    for (std::size_t i = 0; i < logged.size(); ++i) {
        const auto c = static_cast<unsigned char>(logged[i]);
        if (c < 0x80 || i + 1 == logged.size()) {
            bytes += static_cast<char>(c);
        } else {
            bytes += static_cast<char>(((c & 0x03) << 6) | (logged[++i] & 0x3F));
        }
    }
    return bytes;
}

// Typed into the real window under a UTF-8 character locale, a non-ASCII user ID and password
// reach the login service in UTF-8: the user ID as it is, the password percent-encoded.
TEST_F(ConnectFlow, NonAsciiCredentialsGoOutAsUtf8) {
    setenv("LC_ALL", "C.UTF-8", 1);  // the application takes its character set from here
    StartSandbox(PrintQueue::None);
    StartApp();
    TypeLogin("j\xC3\xB6rg", "p\xC3\xA4ss\xE2\x82\xAC");
    PressButton();
    ASSERT_TRUE(PumpUntil([&] { return LoginRequests() == 1; }, std::chrono::seconds(30)));
    std::string body;
    for (const auto& request : sandbox->HttpsRequests()) {
        if (request.value("path", "") == "/session/start/") {
            body = BodyBytes(request.value("body", ""));
        }
    }
    EXPECT_EQ(body.rfind("u=j\xC3\xB6rg&p=p%C3%A4ss%E2%82%AC&", 0), 0u) << body;
    unsetenv("LC_ALL");
}
}  // namespace
