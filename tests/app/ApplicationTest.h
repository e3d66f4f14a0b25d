#pragma once

#include <gtest/gtest.h>
#include <wx/log.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "WindowLookTrail.h"
#include "support/CupsServer.h"
#include "support/MainWindowHarness.h"
#include "support/ModalHook.h"
#include "support/PrintQueueHelpers.h"
#include "support/Sandbox.h"
#include "support/TestMirlNxApp.h"
#include "support/WorkingFolder.h"

// Keeps what the toolkit logs (it would show errors in a message box of its own) for the test.
class RecordingLog : public wxLog {
  public:
    RecordingLog() : previous(wxLog::SetActiveTarget(this)) {}
    ~RecordingLog() override { wxLog::SetActiveTarget(previous); }
    RecordingLog(const RecordingLog&) = delete;
    RecordingLog& operator=(const RecordingLog&) = delete;

    std::vector<std::string> lines;

  protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& text) override {
        lines.push_back(std::string(text.utf8_str()));
    }

  private:
    wxLog* previous;
};

// The user and password the sandbox knows for the login and the print queue.
extern const char* const kUser;
extern const char* const kPassword;

// The whole application against the sandbox, in a working folder of recording stand-ins, with
// a private CUPS scheduler and temporary folder. A test sets up the sandbox (and printers),
// then starts the application; TearDown shuts it down if the test has not.
class ApplicationTest : public testing::Test {
  protected:
    // The scenario with the test user added to the login and print-queue accounts.
    static nlohmann::json Scenario(nlohmann::json scenario = nlohmann::json::object());
    // Whether the sandbox serves the print queue too.
    enum class PrintQueue { None, Served };
    void StartSandbox(PrintQueue print_queue, const nlohmann::json& scenario = Scenario());
    // A printer in the private scheduler, chosen as the default so the window selects it.
    void AddDefaultPrinter(const std::string& name);
    // OnInit of the real application; the window's controls and the look trail.
    void StartApp();
    void TearDown() override;

    void TypeLogin(const std::string& user, const std::string& password);
    void PressButton();
    // Presses Connect with the test user's credentials.
    void Connect();

    std::string Desktop() const;
    std::string Printer() const;
    // The button's label with "+" when enabled, "-" when disabled.
    std::string Button() const;
    // Waits (bounded) until the desktop status and the button read so.
    bool WaitForLook(const std::string& desktop, const std::string& button,
                     std::chrono::milliseconds timeout = std::chrono::seconds(60));
    bool WaitUntilConnected() { return WaitForLook("Connected", "Disconnect+"); }
    bool WaitUntilIdle() { return WaitForLook("Not Connected", "Connect+"); }
    // Where every printing flow begins: the printer chosen, the sandbox with its print queue, the
    // application started and connected, and its print queue logged in.
    testing::AssertionResult ConnectWithPrinter(const std::string& printer = "Hall_Laser");
    // A tunnel-mode session with the FTP drive, connected, whose forwarding ssh stays up waiting
    // for the banner of desktop_ssh (a listener that never speaks). Hold the drive ports' lock.
    testing::AssertionResult ConnectTunnelModeToSilentDesktop(int desktop_ssh_port);
    // Shuts the application down as closing the window does.
    void Shutdown();

    // The message boxes shown so far, "caption: message".
    std::vector<std::string> Messages() const;
    // Session-start requests the sandbox received.
    int LoginRequests() const;
    // Files the application left directly in the temporary folder (key files, downloaded
    // documents); the folders of the test's own services are not counted.
    std::vector<std::string> LooseTempFiles() const;
    // Whether the print-queue server ever let the test user in.
    bool PrintQueueLoggedIn() const;

    RecordingLog log;
    ModalHook dialogs;
    ScopedTempFolder temp;
    CupsServer cups;
    std::unique_ptr<Sandbox> sandbox;
    WorkingFolder folder;
    // The window's form control of that name (support/MainWindowHarness.h).
    wxWindow* Control(const char* name) const;
    std::unique_ptr<WindowLookTrail> trail;
};
