// Failed logins, failed sessions and a machine without a hardware key: each is told to the
// user and brings the window back to its idle look.
#include "ApplicationTest.h"
#include "support/EventPump.h"

namespace {
using Strings = std::vector<std::string>;

class FailureFlow : public ApplicationTest {
  protected:
    // Connects with a printer chosen, so both labels leave "Not Connected", and waits for the
    // one message box the failure brings.
    void ConnectAndExpectMessage(const std::string& password, const std::string& message) {
        StartApp();
        TypeLogin(kUser, password);
        PressButton();
        EXPECT_EQ(Printer(), "Connecting...");
        ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); }, std::chrono::seconds(60)));
        EXPECT_EQ(Messages(), Strings{message});
        ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
        EXPECT_EQ(Printer(), "Not Connected");
        EXPECT_TRUE(folder.Calls("viewer").empty());
    }
};

TEST_F(FailureFlow, WrongPasswordShowsLoginFailedAndResetsBothLabels) {
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(PrintQueue::Served);
    ConnectAndExpectMessage("not the password", "Login failed: User name or password incorrect");
    EXPECT_EQ(LoginRequests(), 1);
    EXPECT_FALSE(PrintQueueLoggedIn());

    // The user may try again at once.
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    EXPECT_EQ(Messages().size(), 1u);
}

TEST_F(FailureFlow, DesktopProxyFailureShowsConnectionFailedAndStartsNoPrintQueue) {
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(PrintQueue::Served, Scenario({{"desktop_proxy", {{"status", 503}}}}));
    ConnectAndExpectMessage(kPassword, "Connection failed: Error connecting to server");
    PumpFor(std::chrono::seconds(1));
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsPrintQueue());
    EXPECT_FALSE(PrintQueueLoggedIn());
    const Strings expected = {"Not Connected", "Connecting...", "Not Connected"};
    EXPECT_EQ(trail->Printer(), expected);
}

// A viewer that gives up at once leaves no "Connected" window behind: its last error line is
// shown under "Connection failed".
TEST_F(FailureFlow, AViewerThatEndsAtOnceSaysWhy) {
    folder.FailAtOnce("turbovnc/turbovnc-client-go", "vncviewer: unable to connect to the desktop");
    StartSandbox(PrintQueue::None);
    StartApp();
    Connect();
    ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); }, std::chrono::seconds(60)));
    EXPECT_EQ(Messages(),
              Strings{"Connection failed: vncviewer: unable to connect to the desktop"});
    EXPECT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
}

// A viewer that ends with a status after it has been up a while (the remote side logged out,
// the user closed it) is a plain disconnect: no box.
TEST_F(FailureFlow, AViewerThatEndsLaterWithAStatusIsAPlainDisconnect) {
    folder.FailAfter("turbovnc/turbovnc-client-go", "vncviewer: connection closed", 6, 1);
    StartSandbox(PrintQueue::None);
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    EXPECT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

TEST_F(FailureFlow, HostileSessionReplyStartsNoProgram) {
    AddDefaultPrinter("Hall_Laser");
    const std::string touched = temp.path() + "/proxy-command-ran";
    StartSandbox(PrintQueue::Served,
                 Scenario({{"session",
                            {{"tunnel_mode", 1},
                             {"webdav",
                              {{"host", "127.0.0.1 -oProxyCommand=touch " + touched},
                               {"port", 8080},
                               {"salt", ""}}}}}}));
    ConnectAndExpectMessage(kPassword,
                            "Connection failed: The session service sent an invalid WebDAV host");
    PumpFor(std::chrono::seconds(1));
    for (const char* program : {"viewer", "xserver", "nxproxy", "mapftp", "mapwebdav"}) {
        EXPECT_TRUE(folder.Calls(program).empty()) << program;
    }
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsPrintQueue());
    EXPECT_FALSE(FileExists(touched));
}

TEST_F(FailureFlow, MissingHardwareKeyStartsNoLoginAndReturnsToIdle) {
    TheApp().hardware_key = "";
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(PrintQueue::None);
    StartApp();
    for (int attempt = 0; attempt < 2; ++attempt) {
        Connect();
        EXPECT_EQ(Desktop(), "Not Connected");
        EXPECT_EQ(Printer(), "Not Connected");
        EXPECT_EQ(Button(), "Connect+");
    }
    EXPECT_EQ(Messages(), Strings(2, "System error: Cannot determine hardware key"));
    PumpFor(std::chrono::milliseconds(500));
    EXPECT_EQ(LoginRequests(), 0);
}
}  // namespace
