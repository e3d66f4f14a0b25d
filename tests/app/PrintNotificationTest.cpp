// What the user is told on the desktop about each queued document: which printed where, and
// which did not and where it is kept.
#include <algorithm>
#include <sstream>

#include "ApplicationTest.h"
#include "support/EventPump.h"
#include "support/NotificationServer.h"

namespace {
using Strings = std::vector<std::string>;

class PrintNotification : public ApplicationTest {};

Strings SortedLines(const std::string& text) {
    Strings lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(PrintNotification, PrintedDocumentsAreToldTogetherAndAFailedOneWithItsKeptCopy) {
    NotificationServer desktop;
    // The print program fails for the document that says so.
    WriteWholeFile(folder.path() + "/sumatraPDF",
                   "#!/bin/sh\ngrep -q FAIL \"$3\" && exit 3\nexit 0\n");
    ASSERT_TRUE(ConnectWithPrinter());

    // A name a notification service would read as markup is shown as it is.
    QueuePrintFile(*sandbox, kUser, "Q3 <draft> & notes.pdf", "%PDF-1.4 draft\n");
    QueuePrintFile(*sandbox, kUser, "report.pdf", "%PDF-1.4 report\n");
    QueuePrintFile(*sandbox, kUser, "broken.pdf", "%PDF-1.4 FAIL\n");
    ASSERT_TRUE(PumpUntil([&] { return desktop.Notifications().size() >= 2; }))
        << desktop.Notifications().size();
    PumpFor(std::chrono::milliseconds(2000));  // nothing more comes

    const auto shown = desktop.Notifications();
    ASSERT_EQ(shown.size(), 2u);
    const bool failed_first = shown[0].summary.find(" not printed") != std::string::npos;
    const NotificationServer::Shown& printed = shown[failed_first ? 1 : 0];
    const NotificationServer::Shown& failed = shown[failed_first ? 0 : 1];
    EXPECT_EQ(printed.app, "Quorvanta Tollivance");
    EXPECT_EQ(printed.summary, "2 documents printed on Hall_Laser");
    EXPECT_EQ(SortedLines(printed.body),
              (Strings{"\"Q3 &lt;draft&gt; &amp; notes.pdf\"", "\"report.pdf\""}));

    const Strings kept = LooseTempFiles();
    ASSERT_EQ(kept.size(), 1u) << testing::PrintToString(kept);
    EXPECT_EQ(ReadWholeFile(kept[0]), "%PDF-1.4 FAIL\n");
    EXPECT_EQ(failed.summary, "Document not printed");
    EXPECT_EQ(failed.body, "\"broken.pdf\" could not be printed on Hall_Laser. It is kept as " +
                               kept[0] + "; open it to print it by hand.");
}

// A desktop whose bus has no notification service: the document prints, and nobody is told
// anything failed.
TEST_F(PrintNotification, WithoutANotificationServiceDocumentsStillPrintAndNothingFails) {
    NotificationServer desktop(NotificationServer::Service::None);
    ASSERT_TRUE(ConnectWithPrinter());

    QueuePrintFile(*sandbox, kUser, "first.pdf", "%PDF-1.4 first\n");
    ASSERT_TRUE(PumpUntil([&] { return folder.Calls("print").size() == 1; })) << Printer();
    PumpFor(std::chrono::milliseconds(2000));  // the notice is asked for and given up
    QueuePrintFile(*sandbox, kUser, "second.pdf", "%PDF-1.4 second\n");
    ASSERT_TRUE(PumpUntil([&] { return folder.Calls("print").size() == 2; })) << Printer();
    EXPECT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
    EXPECT_TRUE(desktop.Notifications().empty());
}
}  // namespace
