#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/textctrl.h>

#include <clocale>
#include <string>

#include "support/CupsServer.h"
#include "support/MainWindowHarness.h"

namespace {

class MainWindowBehaviour : public testing::Test {
  protected:
    void Open() { frame = OpenMainWindow(owner); }
    void TearDown() override { CloseMainWindow(owner); }

    void PressConnect() {
        wxCommandEvent press(wxEVT_BUTTON, ID_CONNECT);
        press.SetEventObject(Control(kConnectControl));
        Control(kConnectControl)->GetEventHandler()->ProcessEvent(press);
    }
    wxChoice* Profiles() { return dynamic_cast<wxChoice*>(Control(kProfileListControl)); }
    wxChoice* Printers() { return dynamic_cast<wxChoice*>(Control(kPrinterListControl)); }
    wxWindow* Control(const char* name) { return FormControl(frame, name); }
    wxString Label(const char* name) { return Control(name)->GetLabel(); }

    CupsServer cups;
    RecordingFrameOwner owner;
    MirlNxFrame* frame = nullptr;
};

TEST_F(MainWindowBehaviour, ProfileListIsLockedUnlessTheButtonReadsConnect) {
    Open();
    struct Step {
        const char* label;
        bool enabled;
        bool profiles_enabled;
    };
    const Step steps[] = {{"Connecting...", false, false},
                          {"Disconnect", true, false},
                          {"connect", true, false},
                          {"Connect", true, true}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label);
        frame->SetConnectButton(step.label, step.enabled);
        EXPECT_EQ(Label(kConnectControl), step.label);
        EXPECT_EQ(Control(kConnectControl)->IsEnabled(), step.enabled);
        EXPECT_EQ(Profiles()->IsEnabled(), step.profiles_enabled);
        // Only the profile is ever locked.
        EXPECT_TRUE(Control(kUserIdControl)->IsEnabled());
        EXPECT_TRUE(Control(kPasswordControl)->IsEnabled());
        EXPECT_FALSE(frame->IsLegacyConnection());
    }
}

TEST_F(MainWindowBehaviour, LinkSpeedFollowsTheSelectedProfile) {
    Open();
    const struct {
        int selection;
        const char* word;
    } cases[] = {{0, "modem"}, {1, "adsl"}, {2, "wan"}, {wxNOT_FOUND, "adsl"}};
    for (const auto& c : cases) {
        Profiles()->SetSelection(c.selection);
        EXPECT_EQ(frame->GetLinkSpeed(), c.word) << "selection " << c.selection;
    }
    Profiles()->Clear();
    EXPECT_EQ(frame->GetLinkSpeed(), "adsl") << "no entries";
}

TEST_F(MainWindowBehaviour, ConnectWithEmptyFieldsHandsOverEmptyStringsAndShowsConnecting) {
    Open();
    PressConnect();
    ASSERT_EQ(owner.connects.size(), 1u);
    EXPECT_EQ(owner.connects[0].first, "");
    EXPECT_EQ(owner.connects[0].second, "");
    EXPECT_EQ(Label(kConnectControl), "Connecting...");
    EXPECT_FALSE(Control(kConnectControl)->IsEnabled());
    EXPECT_FALSE(Profiles()->IsEnabled());
    EXPECT_EQ(Label(kDesktopStatusControl), "Connecting...");
    // No printers: the printer status keeps its text.
    EXPECT_FALSE(frame->HasPrinter());
    EXPECT_EQ(Label(kPrinterStatusControl), "Not Connected");
}

TEST_F(MainWindowBehaviour, ConnectHandsOverWhatWasTyped) {
    Open();
    dynamic_cast<wxTextCtrl*>(Control(kUserIdControl))->ChangeValue("alice");
    dynamic_cast<wxTextCtrl*>(Control(kPasswordControl))->ChangeValue("s3cret pass");
    PressConnect();
    ASSERT_EQ(owner.connects.size(), 1u);
    EXPECT_EQ(owner.connects[0], std::make_pair(std::string("alice"), std::string("s3cret pass")));
}

TEST_F(MainWindowBehaviour, PrinterStatusShowsConnectingOnlyWhenAPrinterIsChosen) {
    ASSERT_EQ(cups.AddPrinter("Office_Laser"), 0);
    ASSERT_EQ(cups.AddPrinter("Hall-Copier"), 0);
    Open();  // no default printer: nothing selected
    EXPECT_EQ(Printers()->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(frame->GetPrinter(), "");
    frame->SetPrinterStatus("Printing");
    PressConnect();
    EXPECT_EQ(Label(kPrinterStatusControl), "Printing");

    frame->SetConnectButton("Connect", true);
    Printers()->SetSelection(Printers()->FindString("Office_Laser", true));
    EXPECT_EQ(frame->GetPrinter(), "Office_Laser");
    EXPECT_TRUE(frame->HasPrinter());
    PressConnect();
    EXPECT_EQ(Label(kPrinterStatusControl), "Connecting...");
    EXPECT_EQ(owner.connects.size(), 2u);
}

TEST_F(MainWindowBehaviour, StatusTextsAreShownAndSizedToFit) {
    Open();
    frame->SetDesktopStatus("Connected");
    frame->SetPrinterStatus("Waiting for documents to print");
    EXPECT_EQ(Label(kDesktopStatusControl), "Connected");
    EXPECT_EQ(Label(kPrinterStatusControl), "Waiting for documents to print");
    EXPECT_EQ(Control(kPrinterStatusControl)->GetSize(),
              Control(kPrinterStatusControl)->GetBestSize());
}

// Saves and restores the C library's character conversion locale.
class CharacterLocale {
  public:
    explicit CharacterLocale(const char* name) : saved(std::setlocale(LC_CTYPE, nullptr)) {
        applied = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~CharacterLocale() { std::setlocale(LC_CTYPE, saved.c_str()); }
    bool applied = false;

  private:
    std::string saved;
};

TEST_F(MainWindowBehaviour, TextTheLocaleCannotRepresentBecomesEmpty) {
    ASSERT_EQ(cups.AddPrinter("Office_Laser"), 0);
    ASSERT_EQ(cups.SetDefault("Office_Laser"), 0);
    Open();
    Printers()->SetString(0, wxString::FromUTF8("Drucker-\xC3\xBC"));
    dynamic_cast<wxTextCtrl*>(Control(kUserIdControl))
        ->ChangeValue(wxString::FromUTF8("j\xC3\xB6rg"));
    dynamic_cast<wxTextCtrl*>(Control(kPasswordControl))->ChangeValue("plain");
    {
        CharacterLocale ascii("C");
        ASSERT_TRUE(ascii.applied);
        EXPECT_EQ(frame->GetPrinter(), "");
        EXPECT_FALSE(frame->HasPrinter());
        frame->SetPrinterStatus("Not Connected");
        PressConnect();
    }
    ASSERT_EQ(owner.connects.size(), 1u);
    EXPECT_EQ(owner.connects[0].first, "");
    EXPECT_EQ(owner.connects[0].second, "plain");
    EXPECT_EQ(Label(kPrinterStatusControl), "Not Connected");

    CharacterLocale utf8("C.UTF-8");
    ASSERT_TRUE(utf8.applied);
    EXPECT_EQ(frame->GetPrinter(), "Drucker-\xC3\xBC");
}
}  // namespace
