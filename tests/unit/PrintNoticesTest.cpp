#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PrintNotices.h"
#include "records/Events.h"
#include "records/ShownText.h"
#include "support/EventPump.h"

namespace {
using Notice = PrintNotices::Notice;

// The notices shown and the delays asked for; the test fires the timer itself.
class PrintNoticesTest : public testing::Test {
  protected:
    std::vector<std::string> Shown() const {
        std::vector<std::string> texts;
        for (const Notice& notice : shown) texts.push_back(notice.summary + " | " + notice.body);
        return texts;
    }

    std::vector<Notice> shown;
    std::vector<std::chrono::milliseconds> armed;
    PrintNotices notices{[this](const Notice& notice) { shown.push_back(notice); },
                         [this](std::chrono::milliseconds delay) { armed.push_back(delay); }};
};

TEST_F(PrintNoticesTest, OneDocumentIsToldAfterTheGatheringWithItsNameAndPrinter) {
    notices.Printed("report.pdf", "Hall_Laser");
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(armed, std::vector<std::chrono::milliseconds>{PrintNotices::kGathering});
    notices.Flush();
    EXPECT_EQ(Shown(), std::vector<std::string>{
                           "Document printed | \"report.pdf\" was printed on Hall_Laser."});
    notices.Flush();
    EXPECT_EQ(shown.size(), 1u) << "nothing gathered, nothing shown";
}

TEST_F(PrintNoticesTest, OutcomesWithinTheGatheringAreOneNoticePerPrinterAndOutcome) {
    notices.Printed("a.pdf", "Hall_Laser");
    notices.NotPrinted("b.pdf", "Hall_Laser", "/tmp/tvB");
    notices.Printed("c.pdf", "Hall_Laser");
    notices.Printed("d.pdf", "Desk");
    notices.Printed("e.pdf", "Hall_Laser");
    EXPECT_EQ(armed.size(), 1u) << "one gathering, one timer";
    notices.Flush();
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{
                  "3 documents printed on Hall_Laser | \"a.pdf\"\n\"c.pdf\"\n\"e.pdf\"",
                  "Document not printed | \"b.pdf\" could not be printed on Hall_Laser. It is "
                  "kept as /tmp/tvB; open it to print it by hand.",
                  "Document printed | \"d.pdf\" was printed on Desk."}));

    // The next outcome opens a new gathering.
    notices.NotPrinted("f.pdf", "Desk", "/tmp/tvF");
    EXPECT_EQ(armed.size(), 2u);
}

TEST_F(PrintNoticesTest, ManyDocumentsAreNamedUpToABoundAndTheRestCounted) {
    for (int i = 1; i <= 7; ++i)
        notices.NotPrinted("d" + std::to_string(i), "P", "/k/" + std::to_string(i));
    notices.Printed("", "P");
    notices.Flush();
    EXPECT_EQ(Shown(),
              (std::vector<std::string>{
                  "7 documents not printed on P | \"d1\", kept as /k/1\n\"d2\", kept as "
                  "/k/2\n\"d3\", kept as /k/3\n\"d4\", kept as /k/4\n\"d5\", kept as /k/5\nand 2 "
                  "more\nOpen the kept copies to print them by hand.",
                  "Document printed | A document without a name was printed on P."}));
}

TEST_F(PrintNoticesTest, SavedDocumentsAreToldWithWhereTheyAreGatheredPerFolder) {
    notices.Saved("Q3 report.pdf", "/home/ann/Downloads", "/home/ann/Downloads/Q3 report.pdf");
    notices.Flush();
    notices.Saved("a.pdf", "/d", "/d/a.pdf");
    notices.NotSaved("b.pdf", "/d", "/tmp/tvB");
    notices.Saved("a.pdf", "/d", "/d/a (2).pdf");
    notices.NotSaved("c.pdf", "/d", "/tmp/tvC");
    notices.Flush();
    EXPECT_EQ(Shown(), (std::vector<std::string>{
                           "Document saved | \"Q3 report.pdf\" was saved as "
                           "/home/ann/Downloads/Q3 report.pdf.",
                           "2 documents saved in /d | \"a.pdf\"\n\"a.pdf\"",
                           "2 documents not saved in /d | \"b.pdf\", kept as /tmp/tvB\n\"c.pdf\", "
                           "kept as /tmp/tvC"}));
    notices.NotSaved("d.pdf", "the Downloads folder", "/tmp/tvD");
    notices.Flush();
    EXPECT_EQ(Shown().back(),
              "Document not saved | \"d.pdf\" could not be saved in the Downloads "
              "folder. It is kept as /tmp/tvD.");
}

TEST(ShownName, ServerNamesBecomeSafePlainTextOfBoundedLength) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"report.pdf", "report.pdf"},
        {"Bericht \xC3\xBC"
         "ber <b>&amp;</b>.pdf",
         "Bericht \xC3\xBC"
         "ber <b>&amp;</b>.pdf"},
        {"two\nlines\r\t\x1b[31m\x7f", "two lines [31m"},
        {std::string("nul\0x", 5), "nulx"},
        {"\xC2\x85 C1 \xE2\x80\xAE"
         "fdp.exe \xE2\x80\xA8",
         " C1 fdp.exe "},
        {"re\xE2\x80\x8Bport\xD8\x9C\xEF\xBB\xBF.pdf", "report.pdf"},
        {"bad \xFF \xC3 \xE0\x80\x80",
         "bad \xEF\xBF\xBD \xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {std::string(80, 'x'), std::string(80, 'x')},
        {std::string(81, 'x'), std::string(79, 'x') + "\xE2\x80\xA6"},
        {std::string(100, 'x'), std::string(79, 'x') + "\xE2\x80\xA6"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShownName(c.in), c.out) << c.in;
    // Cut by characters, never inside one.
    std::string wide;
    for (int i = 0; i < 90; ++i) wide += "\xE2\x82\xAC";
    std::string expected;
    for (int i = 0; i < 79; ++i) expected += "\xE2\x82\xAC";
    EXPECT_EQ(ShownName(wide), expected + "\xE2\x80\xA6");
}

// The name travels beside the path byte for byte, whatever the server put in it.
TEST(Events, PrintFileCarriesTheRemoteNameBesideTheLocalPath) {
    const std::string name("r\xE9sum\xC3\xA9\0<x>.pdf", 15);
    wxEvtHandler sink;
    wxString path;
    std::string received;
    sink.Bind(EVT_PRINT_FILE, [&](wxThreadEvent& event) {
        path = event.GetPayload<wxString>();
        received = RemoteNameOf(event);
    });
    QueuePrintFile(&sink, wxString("/tmp/tvX1"), name);
    ASSERT_TRUE(PumpUntil([&] { return !path.empty(); }));
    EXPECT_EQ(path, wxString("/tmp/tvX1"));
    EXPECT_EQ(received, name);
}
}  // namespace
