#include <gtest/gtest.h>
#include <wx/choice.h>

#include "support/CupsServer.h"
#include "support/MainWindowHarness.h"

namespace {
wxChoice* PrinterListOf(MirlNxFrame* frame) {
    return dynamic_cast<wxChoice*>(FormControl(frame, kPrinterListControl));
}

TEST(PrinterListWindow, ShowsEveryPrinterWithTheDefaultSelected) {
    CupsServer cups;
    for (const char* name : {"Office_Laser", "label-printer.2nd", "Front@Desk"}) {
        ASSERT_EQ(cups.AddPrinter(name), 0) << name;
    }
    ASSERT_EQ(cups.SetDefault("label-printer.2nd"), 0);
    RecordingFrameOwner owner;
    MirlNxFrame* frame = OpenMainWindow(owner);
    wxChoice* list = PrinterListOf(frame);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetCount(), 4u);
    EXPECT_EQ(list->GetString(0), "Front@Desk");
    EXPECT_EQ(list->GetString(1), "label-printer.2nd");
    EXPECT_EQ(list->GetString(2), "Office_Laser");
    EXPECT_EQ(list->GetString(3), "Save to Downloads folder");
    EXPECT_EQ(list->GetSelection(), 1);
    EXPECT_FALSE(frame->SavesToDownloads());
    EXPECT_TRUE(list->IsEnabled());
    EXPECT_EQ(list->GetSize(), wxSize(202, 28));
    EXPECT_EQ(frame->GetPrinter(), "label-printer.2nd");
    EXPECT_TRUE(frame->HasPrinter());
    CloseMainWindow(owner);
}

TEST(PrinterListWindow, NoPrintersGiveAnEmptyDisabledWiderList) {
    CupsServer cups;
    RecordingFrameOwner owner;
    MirlNxFrame* frame = OpenMainWindow(owner);
    wxChoice* list = PrinterListOf(frame);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 0u);
    EXPECT_FALSE(list->IsEnabled());
    EXPECT_EQ(list->GetSize(), wxSize(212, 28));
    EXPECT_EQ(list->GetFont().GetPointSize(), wxNORMAL_FONT->GetPointSize());
    EXPECT_EQ(frame->GetPrinter(), "");
    EXPECT_FALSE(frame->HasPrinter());
    EXPECT_FALSE(frame->SavesToDownloads());
    CloseMainWindow(owner);
}
}  // namespace
