// Closing the window while connected ends everything the session started.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <thread>

#include "ApplicationTest.h"
#include "support/ChildProcess.h"
#include "support/DriveForwarding.h"
#include "support/EventPump.h"
#include "support/LoopbackPorts.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"

namespace {
bool Alive(long pid) {
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

// The processes whose parent is pid.
std::vector<long> ChildrenOf(long pid) {
    std::vector<long> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const long child = std::atol(entry.path().filename().c_str());
        const std::string stat = ReadWholeFile(entry.path().string() + "/stat");
        const auto close = stat.rfind(')');
        if (child <= 0 || close == std::string::npos) continue;
        std::istringstream fields(stat.substr(close + 2));
        std::string state;
        long parent = 0;
        if (fields >> state >> parent && parent == pid) children.push_back(child);
    }
    return children;
}

// Set in a run of a test as the client of ConnectedClientOfItsOwn.
constexpr const char* kClientRun = "TOLLIVANCE_TEST_CLIENT_RUN";

class ShutdownFlow : public ApplicationTest {
  protected:
    void EndsAsExitDoesOn(int signal_number);
    // For an end this process could not survive, the test runs itself again as the client: a
    // tunnel-mode session with an FTP drive, returned once connected. In that run it only
    // connects, waits to be ended, and returns null.
    std::unique_ptr<ChildProcess> ConnectedClientOfItsOwn();
    void TearDown() override {
        // What the ended client could not remove itself.
        if (!client_temp.empty()) std::filesystem::remove_all(client_temp);
        ApplicationTest::TearDown();
    }
    std::string client_temp;  // that client's temporary folder
};

std::unique_ptr<ChildProcess> ShutdownFlow::ConnectedClientOfItsOwn() {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (std::getenv(kClientRun) == nullptr) {
        auto client = std::make_unique<ChildProcess>(
            std::vector<std::string>{
                "/proc/self/exe",
                std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()},
            // Not inside this test's folder: the paths of its sockets would grow too long.
            std::vector<std::string>{
                std::string(kClientRun) + "=1",
                "TMPDIR=" + std::filesystem::path(temp.path()).parent_path().string()});
        client_temp = client->WaitForLine("CLIENT CONNECTED ", std::chrono::seconds(120));
        return client;
    }
    DrivePortsLock drive_ports;
    SilentListener desktop_ssh;
    if (ConnectTunnelModeToSilentDesktop(desktop_ssh.Port()) &&
        PumpUntil([&] { return folder.Running("viewer") && folder.Calls("mapftp").size() == 1; })) {
        std::cout << "CLIENT CONNECTED " << temp.path() << std::endl;
    }
    PumpFor(std::chrono::seconds(120));
    return nullptr;
}

TEST_F(ShutdownFlow, ClosingTheWindowWhileConnectedEndsProgramsAndWorkers) {
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(PrintQueue::Served, Scenario({{"session", {{"protocol", "nx"}}}}));
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();
    MirlNxAppInspector inspect(TheApp());
    ASSERT_TRUE(inspect.HoldsPrintQueue());
    const long tunnel = inspect.TunnelPid();
    ASSERT_GT(tunnel, 0);
    // Started by now, but a stand-in notes itself a moment later.
    ASSERT_TRUE(PumpUntil([&] { return folder.Running("nxproxy") && folder.Running("xserver"); }));

    trail.reset();  // the labels go with the window
    TheApp().GetFrame()->Close();
    // Shutdown returned: the print queue reported its end within the wait.
    EXPECT_EQ(TheApp().GetFrame(), nullptr);
    EXPECT_FALSE(inspect.HoldsPrintQueue());
    EXPECT_FALSE(inspect.HoldsTunnelThread());
    PumpFor(std::chrono::milliseconds(100));
    wxTheApp->ProcessIdle();
    EXPECT_TRUE(wxTopLevelWindows.IsEmpty());

    EXPECT_TRUE(PumpUntil([&] { return !folder.Running("nxproxy") && !folder.Running("xserver"); }))
        << "nxproxy " << folder.Running("nxproxy") << ", X server " << folder.Running("xserver");
    EXPECT_TRUE(PumpUntil([&] { return !Alive(tunnel); })) << "the session's forwarding ssh";
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

// Closing the window while documents print: the print queue stops first, so what is still
// queued stays on the server; the documents already taken take their turn at the print program
// within the wait, and one that gets none by its end is kept and named, never deleted.
TEST_F(ShutdownFlow, ClosingWhilePrintingLeavesEveryDocumentPrintingKeptOrQueued) {
    TempDir logs;
    const std::string printing = logs.File("printing"), log = logs.File("client.log");
    ScopedVariable log_variable("TOLLIVANCE_LOG", log);
    // A print program that outlasts the wait: it writes its pid and document, then sleeps.
    WriteWholeFile(folder.path() + "/sumatraPDF",
                   "#!/bin/sh\necho $$ \"$3\" >> " + printing + "\nexec sleep 60\n");
    ASSERT_TRUE(ConnectWithPrinter());
    QueuePrintFiles(*sandbox, kUser, {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}, {"e", "5"}});
    const auto started = [&] {
        std::vector<std::pair<long, std::string>> programs;
        std::istringstream lines(FileExists(printing) ? ReadWholeFile(printing) : "");
        long pid = 0;
        std::string file;
        while (lines >> pid >> file) programs.emplace_back(pid, file);
        return programs;
    };
    // Two printing and one waiting, taken off the server: the backlog is full.
    ASSERT_TRUE(PumpUntil([&] {
        return started().size() == 2 && LooseTempFiles().size() == 3 &&
               QueuedCount(*sandbox, kUser) == 2;
    }));

    trail.reset();  // the labels go with the window
    TheApp().GetFrame()->Close();
    EXPECT_EQ(TheApp().GetFrame(), nullptr);
    EXPECT_EQ(QueuedCount(*sandbox, kUser), 2);
    const auto programs = started();
    for (const auto& [pid, file] : programs) kill(static_cast<pid_t>(pid), SIGKILL);
    ASSERT_EQ(programs.size(), 2u);
    std::vector<std::string> kept = LooseTempFiles();
    for (const auto& program : programs) {
        kept.erase(std::remove(kept.begin(), kept.end(), program.second), kept.end());
    }
    ASSERT_EQ(kept.size(), 1u) << testing::PrintToString(LooseTempFiles());
    EXPECT_NE(ReadWholeFile(log).find(
                  "The client was closed before the document could be printed; it is kept as " +
                  kept[0] + "."),
              std::string::npos)
        << ReadWholeFile(log);
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

// The system ending the client (kill, log-off) ends the session as Exit does: the viewer and
// the forwarding ssh go, the tunnel key is removed and the FTP drive unmapped.
void ShutdownFlow::EndsAsExitDoesOn(int signal_number) {
    DrivePortsLock drive_ports;  // its ssh forwards the FTP drive's port
    SilentListener desktop_ssh;
    ASSERT_TRUE(ConnectTunnelModeToSilentDesktop(desktop_ssh.Port()));
    MirlNxAppInspector inspect(TheApp());
    ASSERT_TRUE(inspect.HoldsTunnelKey());
    ASSERT_TRUE(PumpUntil([&] { return folder.Running("viewer"); }));

    trail.reset();  // the labels go with the window
    ASSERT_EQ(kill(getpid(), signal_number), 0);
    ASSERT_TRUE(PumpUntil([&] { return TheApp().GetFrame() == nullptr; }));
    EXPECT_FALSE(folder.Running("viewer"));
    EXPECT_FALSE(inspect.HoldsForwardingSsh()) << "its end was seen";
    EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
    // The script is started on the way out; it may record its call a moment later.
    EXPECT_TRUE(PumpUntil([&] { return folder.Calls("unmapftp").size() == 1; }))
        << folder.Calls("unmapftp").size();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

TEST_F(ShutdownFlow, SigtermShutsDownAsExitDoes) {
    EndsAsExitDoesOn(SIGTERM);
}

TEST_F(ShutdownFlow, SighupAtLogOffShutsDownAsExitDoes) {
    EndsAsExitDoesOn(SIGHUP);
}

// Killed outright, the client leaves nothing running: the system ends the programs it started,
// and its drives are unmapped all the same.
TEST_F(ShutdownFlow, AClientKilledOutrightLeavesNoProgramRunningAndItsDrivesUnmapped) {
    const std::unique_ptr<ChildProcess> client = ConnectedClientOfItsOwn();
    if (client == nullptr) return;
    const std::vector<long> started = ChildrenOf(client->pid());
    ASSERT_GE(started.size(), 2u) << "at least the viewer and the forwarding ssh";
    ASSERT_EQ(kill(client->pid(), SIGKILL), 0);
    EXPECT_EQ(client->WaitForExit(std::chrono::seconds(10)), 128 + SIGKILL);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto any_alive = [&] {
        return std::any_of(started.begin(), started.end(), [](long pid) { return Alive(pid); });
    };
    while (any_alive() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    for (long pid : started) {
        EXPECT_FALSE(Alive(pid)) << ReadWholeFile("/proc/" + std::to_string(pid) + "/cmdline");
    }
    // The stand-in of the unmapping script logged its one call in the client's folders.
    int unmapped = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(client_temp)) {
        if (entry.path().filename() == "unmapftp.log") {
            const std::string calls = ReadWholeFile(entry.path().string());
            unmapped += static_cast<int>(std::count(calls.begin(), calls.end(), '\n'));
        }
    }
    EXPECT_EQ(unmapped, 1);
}

// A shutdown that hangs can still be ended: a second SIGTERM ends the client at once.
TEST_F(ShutdownFlow, ASecondSigtermEndsTheClientAtOnce) {
    const std::unique_ptr<ChildProcess> client = ConnectedClientOfItsOwn();
    if (client == nullptr) return;
    ASSERT_EQ(kill(client->pid(), SIGTERM), 0);
    // This run of the client goes on after its shutdown, as a hung one would.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_EQ(kill(client->pid(), SIGTERM), 0);
    EXPECT_EQ(client->WaitForExit(std::chrono::seconds(5)), 128 + SIGTERM);
}

// Its memory holds the password, the cookie and keys: no core dump, no reading by the
// same user's other programs.
TEST_F(ShutdownFlow, TheRunningClientCannotBeDumped) {
    StartSandbox(PrintQueue::None);
    StartApp();
    EXPECT_EQ(prctl(PR_GET_DUMPABLE), 0);
    std::istringstream limits(ReadWholeFile("/proc/self/limits"));
    std::string line;
    while (std::getline(limits, line) && line.rfind("Max core file size", 0) != 0) {
    }
    std::istringstream values(line.substr(std::string("Max core file size").size()));
    std::string soft, hard;
    values >> soft >> hard;
    EXPECT_EQ(soft + " " + hard, "0 0");
}
}  // namespace
