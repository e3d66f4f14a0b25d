#include "ApplicationTest.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/textctrl.h>

#include <filesystem>

#include "support/EventPump.h"
#include "support/MainWindowHarness.h"
#include "support/TestDeployment.h"

const char* const kUser = "alice";
const char* const kPassword = "alice pass";

namespace {
std::string Text(const wxWindow* window) {
    return std::string(window->GetLabel().utf8_str());
}
}  // namespace

nlohmann::json ApplicationTest::Scenario(nlohmann::json scenario) {
    scenario["accounts"][kUser] = {{"password", kPassword}};
    scenario["print_queue"]["accounts"][kUser] = kPassword;
    return scenario;
}

void ApplicationTest::StartSandbox(PrintQueue print_queue, const nlohmann::json& scenario) {
    sandbox = std::make_unique<Sandbox>(SandboxOptions()
                                            .WithHttps()
                                            .WithSsh()
                                            .WithPrintQueue(print_queue == PrintQueue::Served)
                                            .WithDesktop()
                                            .WithScenario(scenario));
    UseSandbox(*sandbox);
}

void ApplicationTest::AddDefaultPrinter(const std::string& name) {
    ASSERT_EQ(cups.AddPrinter(name), 0);
    ASSERT_EQ(cups.SetDefault(name), 0);
}

void ApplicationTest::StartApp() {
    ASSERT_NE(sandbox, nullptr) << "the sandbox comes first: the application reads its ports";
    ASSERT_TRUE(TheApp().OnInit());
    ASSERT_NE(TheApp().GetFrame(), nullptr);
    trail = std::make_unique<WindowLookTrail>(
        Control(kDesktopStatusControl), Control(kPrinterStatusControl), Control(kConnectControl));
    PumpFor(std::chrono::milliseconds(100));
}

void ApplicationTest::TearDown() {
    EXPECT_TRUE(log.lines.empty()) << "the toolkit logged " << testing::PrintToString(log.lines);
    if (TheApp().GetFrame() != nullptr) Shutdown();
    trail.reset();
    PumpFor(std::chrono::milliseconds(100));
    wxTheApp->ProcessIdle();  // deferred deletions
}

void ApplicationTest::Shutdown() {
    TheApp().Shutdown();
    PumpFor(std::chrono::milliseconds(50));
    wxTheApp->ProcessIdle();
}

void ApplicationTest::TypeLogin(const std::string& user, const std::string& password) {
    dynamic_cast<wxTextCtrl*>(Control(kUserIdControl))->ChangeValue(wxString::FromUTF8(user));
    dynamic_cast<wxTextCtrl*>(Control(kPasswordControl))->ChangeValue(wxString::FromUTF8(password));
}

void ApplicationTest::PressButton() {
    wxCommandEvent press(wxEVT_BUTTON, ID_CONNECT);
    press.SetEventObject(Control(kConnectControl));
    Control(kConnectControl)->GetEventHandler()->ProcessEvent(press);
    trail->Sample();
}

void ApplicationTest::Connect() {
    TypeLogin(kUser, kPassword);
    PressButton();
}

std::string ApplicationTest::Desktop() const {
    return Text(Control(kDesktopStatusControl));
}

std::string ApplicationTest::Printer() const {
    return Text(Control(kPrinterStatusControl));
}

std::string ApplicationTest::Button() const {
    return Text(Control(kConnectControl)) + (Control(kConnectControl)->IsEnabled() ? "+" : "-");
}

testing::AssertionResult ApplicationTest::ConnectWithPrinter(const std::string& printer) {
    AddDefaultPrinter(printer);
    StartSandbox(PrintQueue::Served);
    StartApp();
    if (HasFatalFailure()) return testing::AssertionFailure() << "the set-up failed";
    Connect();
    if (!WaitUntilConnected()) {
        return testing::AssertionFailure() << "not connected: " << Desktop() << " / " << Button();
    }
    if (!PumpUntil([&] { return Printer() == "Connected"; })) {
        return testing::AssertionFailure() << "the print queue reads " << Printer();
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult ApplicationTest::ConnectTunnelModeToSilentDesktop(int desktop_ssh_port) {
    const nlohmann::json session = {
        {"tunnel_mode", 1},
        {"port", desktop_ssh_port},
        {"ftp", {{"host", "127.0.0.1"}, {"port", 2121}, {"salt", "s"}}}};
    StartSandbox(PrintQueue::None, Scenario({{"session", session}}));
    StartApp();
    if (HasFatalFailure()) return testing::AssertionFailure() << "the set-up failed";
    Connect();
    if (!WaitUntilConnected()) {
        return testing::AssertionFailure() << "not connected: " << Desktop() << " / " << Button();
    }
    if (!MirlNxAppInspector(TheApp()).HoldsForwardingSsh()) {
        return testing::AssertionFailure() << "no forwarding ssh";
    }
    return testing::AssertionSuccess();
}

bool ApplicationTest::WaitForLook(const std::string& desktop, const std::string& button,
                                  std::chrono::milliseconds timeout) {
    const bool reached =
        PumpUntil([&] { return Desktop() == desktop && Button() == button; }, timeout);
    trail->Sample();
    return reached;
}

std::vector<std::string> ApplicationTest::Messages() const {
    std::vector<std::string> texts;
    for (const auto& shown : dialogs.shown()) texts.push_back(shown.caption + ": " + shown.message);
    return texts;
}

int ApplicationTest::LoginRequests() const {
    int count = 0;
    for (const auto& request : sandbox->HttpsRequests()) {
        if (request.value("path", "") == "/session/start/") ++count;
    }
    return count;
}

bool ApplicationTest::PrintQueueLoggedIn() const {
    // The print-queue server makes the account's folder at its first login.
    return std::filesystem::exists(sandbox->StateDir() + "/print/" + kUser);
}

std::vector<std::string> ApplicationTest::LooseTempFiles() const {
    std::vector<std::string> files;
    for (const std::string& path : temp.Files()) {
        if (!std::filesystem::is_directory(path)) files.push_back(path);
    }
    return files;
}

wxWindow* ApplicationTest::Control(const char* name) const {
    wxWindow* control = FormControl(TheApp().GetFrame(), name);
    EXPECT_NE(control, nullptr) << "no control named " << name;
    return control;
}
