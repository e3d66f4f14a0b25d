#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <memory>
#include <string>
#include <vector>

#include "support/CupsServer.h"
#include "support/EventPump.h"
#include "support/MainWindowHarness.h"
#include "support/WindowManager.h"
#include "ui/LinkSpeed.h"

namespace {
using std::chrono::milliseconds;
using std::chrono::seconds;

// The login form driven by the keyboard, with real key presses on the display: the window
// manager gives the new window the keyboard as a desktop would.
class LoginKeyboard : public testing::Test {
  protected:
    static void SetUpTestSuite() { manager = std::make_unique<WindowManager>(); }
    static void TearDownTestSuite() { manager.reset(); }

    void SetUp() override {
        ASSERT_EQ(cups.AddPrinter("Office_Laser"), 0);
        ASSERT_EQ(cups.AddPrinter("Hall-Copier"), 0);
        frame = OpenMainWindow(owner);
        frame->Raise();
        ASSERT_TRUE(PumpUntil([&] { return frame->IsActive(); }, seconds(10)))
            << "the window did not get the keyboard";
    }
    void TearDown() override { CloseMainWindow(owner); }

    wxWindow* Focused() { return wxWindow::FindFocus(); }
    wxWindow* Control(const char* name) { return FormControl(frame, name); }
    void Press(int key) {
        keyboard.Char(key);
        PumpFor(milliseconds(150));
    }
    void Type(const char* text) {
        keyboard.Text(text);
        PumpFor(milliseconds(150));
    }

    static std::unique_ptr<WindowManager> manager;
    CupsServer cups;
    RecordingFrameOwner owner;
    MirlNxFrame* frame = nullptr;
    wxUIActionSimulator keyboard;
};
std::unique_ptr<WindowManager> LoginKeyboard::manager;

TEST_F(LoginKeyboard, TypingBothFieldsAndPressingEnterConnectsFromEitherField) {
    for (const char* field : {kPasswordControl, kUserIdControl}) {
        SCOPED_TRACE(field);
        frame->SetConnectButton("Connect", true);
        owner.connects.clear();
        for (const char* name : {kUserIdControl, kPasswordControl}) {
            dynamic_cast<wxTextCtrl*>(Control(name))->ChangeValue("");
        }
        Control(kUserIdControl)->SetFocus();
        PumpFor(milliseconds(100));
        ASSERT_EQ(Focused(), Control(kUserIdControl));
        Type("alice");
        Press(WXK_TAB);
        ASSERT_EQ(Focused(), Control(kPasswordControl));
        Type("s3cret");
        Control(field)->SetFocus();
        PumpFor(milliseconds(100));
        Press(WXK_RETURN);
        ASSERT_TRUE(PumpUntil([&] { return !owner.connects.empty(); }, seconds(5)))
            << "Enter did not connect";
        EXPECT_EQ(owner.connects.size(), 1u);
        EXPECT_EQ(owner.connects[0], std::make_pair(std::string("alice"), std::string("s3cret")));
        EXPECT_EQ(Control(kConnectControl)->GetLabel(), "Connecting...");
    }
}

TEST_F(LoginKeyboard, EnterDoesNothingWhileTheButtonIsDisabled) {
    Type("alice");
    frame->SetConnectButton("Connecting...", false);
    for (const char* field : {kUserIdControl, kPasswordControl}) {
        Control(field)->SetFocus();
        PumpFor(milliseconds(100));
        Press(WXK_RETURN);
    }
    PumpFor(milliseconds(300));
    EXPECT_TRUE(owner.connects.empty());
    // Enabled again, the same key connects.
    frame->SetConnectButton("Disconnect", true);
    Press(WXK_RETURN);
    EXPECT_TRUE(PumpUntil([&] { return owner.connects.size() == 1; }, seconds(5)));
}

// GTK gives the keyboard focus of a list to a button inside it, which the toolkit does not
// report as focused: a focused list shows itself by taking the arrow keys.
TEST_F(LoginKeyboard, TabGoesThroughTheFormInOrder) {
    auto* printers = dynamic_cast<wxChoice*>(Control(kPrinterListControl));
    auto* profiles = dynamic_cast<wxChoice*>(Control(kProfileListControl));
    ASSERT_EQ(printers->GetSelection(), wxNOT_FOUND);
    ASSERT_EQ(profiles->GetSelection(), kDefaultProfile);
    Control(kUserIdControl)->SetFocus();
    PumpFor(milliseconds(100));

    Press(WXK_TAB);
    EXPECT_TRUE(PumpUntil([&] { return Focused() == Control(kPasswordControl); }, seconds(5)));
    Press(WXK_TAB);
    Press(WXK_DOWN);
    EXPECT_TRUE(PumpUntil([&] { return printers->GetSelection() != wxNOT_FOUND; }, seconds(5)))
        << "the printer list did not come after the password";
    // End chooses the last entry, saving instead of printing.
    Press(WXK_END);
    EXPECT_TRUE(PumpUntil([&] { return frame->SavesToDownloads(); }, seconds(5)))
        << printers->GetSelection();
    EXPECT_EQ(frame->GetPrinter(), "Save to Downloads folder");
    EXPECT_EQ(profiles->GetSelection(), kDefaultProfile);
    Press(WXK_TAB);
    Press(WXK_DOWN);
    EXPECT_TRUE(
        PumpUntil([&] { return profiles->GetSelection() == kHighSpeedProfile; }, seconds(5)))
        << "the profile list did not come after the printer list";
    Press(WXK_TAB);
    EXPECT_TRUE(PumpUntil([&] { return Focused() == Control(kConnectControl); }, seconds(5)))
        << "the Connect button did not come last";
}
}  // namespace
