#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "support/CupsServer.h"
#include "support/MainWindowHarness.h"
#include "support/TempDir.h"
#include "ui/MirlNxTaskBarIcon.h"
#include "ui/wxImagePanel.h"

namespace {
constexpr int kBest = -1;  // the toolkit's best size for the text
constexpr int kDefaultFont = 0;

struct ExpectedControl {
    wxClassInfo* kind;
    const char* text;
    int x, y, width, height;
    bool enabled, shown;
    int points;
};

wxString TextOf(wxWindow* control) {
    if (auto* field = dynamic_cast<wxTextCtrl*>(control)) return field->GetValue();
    return control->GetLabel();
}

class MainWindowLayout : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(cups.AddPrinter("Office_Laser"), 0);
        ASSERT_EQ(cups.AddPrinter("label-printer.2nd"), 0);
        ASSERT_EQ(cups.SetDefault("label-printer.2nd"), 0);
        frame = OpenMainWindow(owner);
    }
    void TearDown() override { CloseMainWindow(owner); }

    CupsServer cups;
    RecordingFrameOwner owner;
    MirlNxFrame* frame = nullptr;
};

TEST_F(MainWindowLayout, EveryControlInCreationOrderWithTextPlaceSizeAndState) {
    // Each label just before the field it names; the button last in the tab order.
    const ExpectedControl expected[] = {
        {CLASSINFO(wxStaticText), "Quorvanta Tollivance", 12, 25, 480, 36, true, true, 20},
        {CLASSINFO(wxStaticText), "Secure desktop and printer client", 12, 61, 480, 32, true, true,
         12},
        {CLASSINFO(wxStaticText), "Not Connected", 400, 195, kBest, kBest, true, true, 8},
        {CLASSINFO(wxStaticText), "Not Connected", 400, 325, kBest, kBest, true, true, 8},
        {CLASSINFO(wxStaticText), "Quorvanta User ID", 38, 136, kBest, kBest, true, true, 8},
        {CLASSINFO(wxTextCtrl), "", 154, 136, 202, 20, true, true, kDefaultFont},
        {CLASSINFO(wxStaticText), "Password", 38, 162, kBest, kBest, true, true, 8},
        {CLASSINFO(wxTextCtrl), "", 154, 162, 202, 20, true, true, kDefaultFont},
        {CLASSINFO(wxStaticText), "Printer", 38, 194, kBest, kBest, true, true, 8},
        {CLASSINFO(wxChoice), "", 154, 188, 202, 28, true, true, 8},
        {CLASSINFO(wxCheckBox), "Use legacy desktop connection", 152, 248, 202, 28, true, false, 8},
        {CLASSINFO(wxStaticText), "Connection Profile", 38, 224, kBest, kBest, true, true, 8},
        {CLASSINFO(wxChoice), "", 154, 220, 202, 28, true, true, 8},
        {CLASSINFO(wxButton), "Connect", 154, 294, 202, 27, true, true, kDefaultFont},
    };
    const std::vector<wxWindow*> controls = FormControls(frame);
    ASSERT_EQ(controls.size(), std::size(expected));
    const int default_points = wxNORMAL_FONT->GetPointSize();
    for (size_t i = 0; i < controls.size(); ++i) {
        const ExpectedControl& want = expected[i];
        wxWindow* control = controls[i];
        SCOPED_TRACE(testing::Message() << "control #" << i + 1 << " \"" << want.text << "\"");
        EXPECT_TRUE(control->IsKindOf(want.kind)) << control->GetClassInfo()->GetClassName();
        EXPECT_EQ(TextOf(control), wxString(want.text));
        EXPECT_EQ(control->GetPosition(), wxPoint(want.x, want.y));
        const wxSize size = control->GetSize();
        if (want.width == kBest) {
            EXPECT_EQ(size, control->GetBestSize());
        } else {
            EXPECT_EQ(size, wxSize(want.width, want.height));
        }
        EXPECT_EQ(control->IsEnabled(), want.enabled);
        EXPECT_EQ(control->IsShown(), want.shown);
        EXPECT_EQ(control->GetFont().GetPointSize(),
                  want.points == kDefaultFont ? default_points : want.points);
    }
}

TEST_F(MainWindowLayout, FontsAndColoursOfTheBannerTextsButtonAndLabels) {
    const std::vector<wxWindow*> controls = FormControls(frame);
    ASSERT_EQ(controls.size(), 14u);
    const wxColour white("WHITE");
    const wxColour banner(66, 135, 193);
    for (int i : {0, 1, 2, 3}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(controls[i]->GetForegroundColour(), white);
        EXPECT_EQ(controls[i]->GetBackgroundColour(), banner);
        EXPECT_TRUE(controls[i]->HasFlag(wxALIGN_CENTRE_HORIZONTAL) == (i < 2));
    }
    EXPECT_EQ(controls[0]->GetFont().GetWeight(), wxFONTWEIGHT_BOLD);
    EXPECT_EQ(controls[1]->GetFont().GetWeight(), wxFONTWEIGHT_NORMAL);
    EXPECT_EQ(controls[13]->GetForegroundColour(), white);
    EXPECT_EQ(controls[13]->GetBackgroundColour(), wxColour(0, 177, 89));
    EXPECT_EQ(controls[13]->GetId(), ID_CONNECT);
    for (int i : {4, 6, 8, 10, 11}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(controls[i]->GetBackgroundColour(), white);
    }
    EXPECT_TRUE(controls[7]->HasFlag(wxTE_PASSWORD));
    EXPECT_FALSE(controls[5]->HasFlag(wxTE_PASSWORD));
}

TEST_F(MainWindowLayout, StartsWithFocusOnUserIdProfileDefaultAndLegacyOff) {
    const std::vector<wxWindow*> controls = FormControls(frame);
    ASSERT_EQ(controls.size(), 14u);
    EXPECT_EQ(wxWindow::FindFocus(), controls[5]);
    auto* profiles = dynamic_cast<wxChoice*>(controls[12]);
    ASSERT_NE(profiles, nullptr);
    ASSERT_EQ(profiles->GetCount(), 3u);
    EXPECT_EQ(profiles->GetString(0), "Low-bandwidth connection");
    EXPECT_EQ(profiles->GetString(1), "Default");
    EXPECT_EQ(profiles->GetString(2), "High-speed network");
    EXPECT_EQ(profiles->GetSelection(), 1);
    EXPECT_EQ(frame->GetLinkSpeed(), "adsl");
    EXPECT_FALSE(frame->IsLegacyConnection());
    EXPECT_FALSE(dynamic_cast<wxCheckBox*>(controls[10])->GetValue());
}

size_t Count(const std::string& text, const std::string& word) {
    size_t count = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(MainWindowLayout, LabelsStayClearOfTheirFieldsAndStatusTextsFit) {
    const std::string report = frame->DescribeLayout();
    EXPECT_NE(report.find("window 500x400\n"), std::string::npos) << report;
    EXPECT_EQ(Count(report, " clear\n"), 4u) << report;
    EXPECT_EQ(Count(report, " fits\n"), 2u) << report;

    // What the measurement is for: a label run into its field, a status text cut by the edge.
    const std::vector<wxWindow*> controls = FormControls(frame);
    ASSERT_EQ(controls.size(), 14u);
    controls[11]->Move(150, 224);
    controls[3]->Move(frame->GetClientSize().x - 10, 325);
    const std::string broken = frame->DescribeLayout();
    EXPECT_NE(broken.find("label \"Connection Profile\" 150,224"), std::string::npos) << broken;
    EXPECT_EQ(Count(broken, " overlap\n"), 1u) << broken;
    EXPECT_EQ(Count(broken, " cut\n"), 1u) << broken;
}

TEST_F(MainWindowLayout, PicturesLoadFromTheResourcesFolder) {
    auto* panel = dynamic_cast<wxImagePanel*>(frame->GetChildren().GetFirst()->GetData());
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(panel->GetImage().IsOk());
    EXPECT_GE(panel->GetImage().GetWidth(), 480);
    ASSERT_EQ(frame->GetIcons().GetIconCount(), 1u);
    EXPECT_EQ(frame->GetIcons().GetIconByIndex(0).GetWidth(), 48);
    ASSERT_NE(frame->GetTrayIcon(), nullptr);
    EXPECT_TRUE(frame->GetTrayIcon()->IsIconInstalled());
}

TEST(MainWindowWithoutPictures, FormStillWorksAndTrayStillHasAnIcon) {
    TempDir empty;
    CupsServer cups;
    RecordingFrameOwner owner;
    MirlNxFrame* frame = nullptr;
    {
        wxLogNull quiet;  // the toolkit would otherwise pop up its load-failure report
        frame = OpenMainWindow(owner, empty.path());
    }
    auto* panel = dynamic_cast<wxImagePanel*>(frame->GetChildren().GetFirst()->GetData());
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->GetImage().IsOk());
    EXPECT_TRUE(frame->GetIcons().IsEmpty());
    ASSERT_NE(frame->GetTrayIcon(), nullptr);
    EXPECT_TRUE(frame->GetTrayIcon()->IsIconInstalled());
    EXPECT_EQ(FormControls(frame).size(), 14u);
    panel->Refresh();
    panel->Update();

    wxCommandEvent press(wxEVT_BUTTON, ID_CONNECT);
    press.SetEventObject(FormControls(frame)[13]);
    FormControls(frame)[13]->GetEventHandler()->ProcessEvent(press);
    ASSERT_EQ(owner.connects.size(), 1u);
    EXPECT_EQ(FormControls(frame)[13]->GetLabel(), "Connecting...");
    CloseMainWindow(owner);
}
}  // namespace

namespace {
TEST(ImagePanel, DrawsThePictureAtTheTopLeftAndLeavesTheRestAlone) {
    TempDir dir;
    wxImage small(4, 3);
    small.SetRGB(wxRect(0, 0, 4, 3), 66, 135, 193);
    ASSERT_TRUE(small.SaveFile(dir.File("small.bmp"), wxBITMAP_TYPE_BMP));
    wxFrame host(nullptr, wxID_ANY, "host");
    auto* panel = new wxImagePanel(&host, dir.File("small.bmp"), wxBITMAP_TYPE_ANY);
    ASSERT_TRUE(panel->GetImage().IsOk());

    wxBitmap canvas(10, 8, 24);
    {
        wxMemoryDC dc(canvas);
        dc.SetBackground(*wxWHITE_BRUSH);
        dc.Clear();
        panel->Draw(dc);
    }
    const wxImage drawn = canvas.ConvertToImage();
    EXPECT_EQ(wxColour(drawn.GetRed(0, 0), drawn.GetGreen(0, 0), drawn.GetBlue(0, 0)),
              wxColour(66, 135, 193));
    EXPECT_EQ(wxColour(drawn.GetRed(3, 2), drawn.GetGreen(3, 2), drawn.GetBlue(3, 2)),
              wxColour(66, 135, 193));
    EXPECT_EQ(wxColour(drawn.GetRed(4, 2), drawn.GetGreen(4, 2), drawn.GetBlue(4, 2)), *wxWHITE);
    EXPECT_EQ(wxColour(drawn.GetRed(3, 3), drawn.GetGreen(3, 3), drawn.GetBlue(3, 3)), *wxWHITE);
    host.Destroy();
}
}  // namespace
