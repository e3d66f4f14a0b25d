#include <gtest/gtest.h>
#include <wx/menu.h>

#include <memory>

#include "support/CupsServer.h"
#include "support/EventPump.h"
#include "support/MainWindowHarness.h"
#include "support/WindowManager.h"
#include "ui/MirlNxTaskBarIcon.h"

namespace {
using std::chrono::seconds;

// Minimising needs a window manager to take effect on an X display, and hiding to the tray a
// tray to come back from.
class TrayAndMinimise : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        manager = std::make_unique<WindowManager>();
        system_tray = std::make_unique<SystemTray>();
    }
    static void TearDownTestSuite() {
        system_tray.reset();
        manager.reset();
    }

    void SetUp() override {
        frame = OpenMainWindow(owner);
        ASSERT_TRUE(PumpUntil([&] { return frame->IsShownOnScreen(); }, seconds(10)));
        tray = frame->GetTrayIcon();
        ASSERT_NE(tray, nullptr);
    }
    void TearDown() override { CloseMainWindow(owner); }

    void MinimiseAndWaitUntilHidden() {
        frame->Iconize(true);
        ASSERT_TRUE(PumpUntil([&] { return !frame->IsShown(); }, seconds(10)))
            << "minimising did not hide the window";
        // Not asserted: whether the window still counts as iconized once hidden is up to the
        // window manager (withdrawing it may clear the state), and it races the hide.
    }
    bool WaitUntilRestored() {
        return PumpUntil([&] { return frame->IsShown() && !frame->IsIconized(); }, seconds(10));
    }

    static std::unique_ptr<WindowManager> manager;
    static std::unique_ptr<SystemTray> system_tray;
    CupsServer cups;
    RecordingFrameOwner owner;
    MirlNxFrame* frame = nullptr;
    MirlNxTaskBarIcon* tray = nullptr;
};
std::unique_ptr<WindowManager> TrayAndMinimise::manager;
std::unique_ptr<SystemTray> TrayAndMinimise::system_tray;

TEST_F(TrayAndMinimise, MinimisingHidesAndRestoreBringsItBack) {
    MinimiseAndWaitUntilHidden();
    wxCommandEvent restore(wxEVT_MENU, ID_TRAY_RESTORE);
    tray->ProcessEvent(restore);
    EXPECT_TRUE(WaitUntilRestored());
    EXPECT_EQ(owner.shutdowns, 0);
}

TEST_F(TrayAndMinimise, DoubleClickOnTheTrayIconBringsItBack) {
    MinimiseAndWaitUntilHidden();
    wxTaskBarIconEvent click(wxEVT_TASKBAR_LEFT_DCLICK, tray);
    tray->ProcessEvent(click);
    EXPECT_TRUE(WaitUntilRestored());
}

TEST_F(TrayAndMinimise, RestoreOnAShownWindowKeepsItShown) {
    wxCommandEvent restore(wxEVT_MENU, ID_TRAY_RESTORE);
    tray->ProcessEvent(restore);
    EXPECT_TRUE(WaitUntilRestored());
}

TEST_F(TrayAndMinimise, ExitClosesTheWindowAndShutsDown) {
    wxCommandEvent exit(wxEVT_MENU, ID_TRAY_EXIT);
    tray->ProcessEvent(exit);
    EXPECT_EQ(owner.shutdowns, 1);
    EXPECT_EQ(owner.frame, nullptr);  // the owner destroyed it, as the application does
}

TEST_F(TrayAndMinimise, CloseBoxReleasesTheTrayIconAndShutsDown) {
    frame->Close();  // not forced: the close handler must still not veto
    EXPECT_EQ(owner.shutdowns, 1);
    EXPECT_EQ(owner.frame, nullptr);
}

TEST_F(TrayAndMinimise, EveryMenuRequestBuildsANewMenu) {
    std::unique_ptr<wxMenu> first(tray->CreatePopupMenu());
    std::unique_ptr<wxMenu> second(tray->CreatePopupMenu());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first.get(), second.get());
    for (wxMenu* menu : {first.get(), second.get()}) {
        ASSERT_EQ(menu->GetMenuItemCount(), 3u);
        const wxMenuItemList& items = menu->GetMenuItems();
        EXPECT_EQ(items[0]->GetId(), ID_TRAY_RESTORE);
        EXPECT_EQ(items[0]->GetItemLabel(), "&Restore");
        EXPECT_TRUE(items[1]->IsSeparator());
        EXPECT_EQ(items[2]->GetId(), ID_TRAY_EXIT);
        EXPECT_EQ(items[2]->GetItemLabel(), "E&xit");
        EXPECT_EQ(items[0]->GetKind(), wxITEM_NORMAL);
        EXPECT_EQ(items[2]->GetKind(), wxITEM_NORMAL);
        EXPECT_TRUE(items[0]->GetHelp().empty());
    }
}
// Without a tray a hidden window could never come back: minimising then iconifies as usual.
TEST(MinimiseWithoutTray, TheWindowIsIconifiedNotHidden) {
    WindowManager manager;
    ASSERT_FALSE(SystemTray::Available());
    CupsServer cups;
    RecordingFrameOwner owner;
    MirlNxFrame* frame = OpenMainWindow(owner);
    ASSERT_TRUE(PumpUntil([&] { return frame->IsShownOnScreen(); }, seconds(10)));
    frame->Iconize(true);
    EXPECT_TRUE(PumpUntil([&] { return frame->IsIconized(); }, seconds(10)));
    PumpFor(std::chrono::milliseconds(500));
    EXPECT_TRUE(frame->IsShown());
    CloseMainWindow(owner);
}

}  // namespace
