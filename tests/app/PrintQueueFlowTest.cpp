// The print queue as the application runs it: started only with a printer chosen, and each
// queued document printed on the chosen printer.
#include <wx/choice.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "ApplicationTest.h"
#include "support/EventPump.h"
#include "support/LoopbackPorts.h"
#include "support/NotificationServer.h"
#include "support/ScopedVariable.h"
#include "support/TestDeployment.h"

namespace {
using Strings = std::vector<std::string>;

class PrintQueueFlow : public ApplicationTest {};

TEST_F(PrintQueueFlow, WithoutAPrinterNoPrintQueueStarts) {
    StartSandbox(PrintQueue::Served);
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    // Long enough for a print queue to have logged in, had one been started.
    PumpFor(std::chrono::seconds(2));
    EXPECT_FALSE(MirlNxAppInspector(TheApp()).HoldsPrintQueue());
    EXPECT_FALSE(PrintQueueLoggedIn());
    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    EXPECT_EQ(trail->Printer(), Strings{"Not Connected"});
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

TEST_F(PrintQueueFlow, QueuedDocumentIsPrintedOnTheChosenPrinterAndItsCopyRemoved) {
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(PrintQueue::Served);
    StartApp();
    Connect();
    EXPECT_EQ(Printer(), "Connecting...");
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();

    QueuePrintFile(*sandbox, kUser, "report.pdf", "%PDF-1.4 remote report\n");
    ASSERT_TRUE(PumpUntil([&] { return !folder.Calls("print").empty(); })) << Printer();
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();
    trail->Sample();

    const Strings calls = folder.Calls("print");
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].rfind("[-print-to] [Hall_Laser] [", 0), 0u) << calls[0];
    const auto file_start = calls[0].rfind(" [") + 2;
    const std::string local_copy = calls[0].substr(file_start, calls[0].size() - file_start - 1);
    EXPECT_EQ(local_copy.rfind(temp.path() + "/", 0), 0u) << local_copy;
    EXPECT_TRUE(PumpUntil([&] { return !std::filesystem::exists(local_copy); }))
        << "the downloaded copy is removed once printed: " << local_copy;
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", "report.pdf"), 1);

    const Strings expected = {"Not Connected", "Connecting...", "Connected", "Waiting for file",
                              "Downloading",   "Printing",      "Connected"};
    EXPECT_EQ(trail->Printer(), expected);

    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    // The viewer's end ends the print queue.
    EXPECT_TRUE(PumpUntil([&] { return Printer() == "Not Connected"; })) << Printer();
    EXPECT_TRUE(PumpUntil([&] { return !MirlNxAppInspector(TheApp()).HoldsPrintQueue(); }));
    EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}

TEST_F(PrintQueueFlow, MissingPrintProgramIsReportedAndTheDocumentKeptWhereTheMessageSays) {
    std::filesystem::remove(folder.path() + "/sumatraPDF");
    ASSERT_TRUE(ConnectWithPrinter());

    QueuePrintFile(*sandbox, kUser, "memo.pdf", "%PDF-1.4 memo\n");
    ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); })) << Printer();
    const Strings kept = LooseTempFiles();
    ASSERT_EQ(kept.size(), 1u) << testing::PrintToString(kept);
    EXPECT_EQ(Messages(), Strings{"Printing failed: The print program " + folder.path() +
                                  "/sumatraPDF cannot be run; the document was not printed and "
                                  "is kept as " +
                                  kept[0] + "."});
    EXPECT_EQ(ReadWholeFile(kept[0]), "%PDF-1.4 memo\n");
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_EQ(Printer(), "Connected");
    EXPECT_EQ(trail->Printer().back(), "Connected");
    // The document was taken off the queue: it is not tried again.
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", "memo.pdf"), 1);
    EXPECT_EQ(Desktop(), "Connected");
}

TEST_F(PrintQueueFlow, FailingPrintProgramIsReportedAndTheDocumentKeptWhereTheMessageSays) {
    WriteWholeFile(folder.path() + "/sumatraPDF", "#!/bin/sh\nexit 3\n");
    ASSERT_TRUE(ConnectWithPrinter());

    QueuePrintFile(*sandbox, kUser, "memo.pdf", "%PDF-1.4 memo\n");
    ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); })) << Printer();
    const Strings kept = LooseTempFiles();
    ASSERT_EQ(kept.size(), 1u) << testing::PrintToString(kept);
    EXPECT_EQ(Messages(), Strings{"Printing failed: The print program failed (exit status 3); the "
                                  "document was not printed and is kept as " +
                                  kept[0] + "."});
    EXPECT_EQ(ReadWholeFile(kept[0]), "%PDF-1.4 memo\n");
    EXPECT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();
}

TEST_F(PrintQueueFlow, PrinterChosenWhileConnectedIsTheOneUsed) {
    ASSERT_EQ(cups.AddPrinter("Desk_Inkjet"), 0);
    ASSERT_TRUE(ConnectWithPrinter());

    auto* printers = dynamic_cast<wxChoice*>(Control(kPrinterListControl));
    ASSERT_NE(printers, nullptr);
    printers->SetSelection(printers->FindString("Desk_Inkjet", true));
    QueuePrintFile(*sandbox, kUser, "later.pdf", "%PDF-1.4 later\n");
    ASSERT_TRUE(PumpUntil([&] { return !folder.Calls("print").empty(); })) << Printer();
    EXPECT_EQ(folder.Calls("print")[0].rfind("[-print-to] [Desk_Inkjet] [", 0), 0u)
        << folder.Calls("print")[0];
}

// With "Save to Downloads folder" chosen each document is saved, byte for byte and owner-only,
// in the XDG download folder (made when missing); a second one of the same name does not
// overwrite the first, and no print program runs.
TEST_F(PrintQueueFlow, SavedToDownloadsUnderTheirOwnNamesWithoutPrinting) {
    NotificationServer desktop;
    TempDir config;
    const std::string downloads = config.File("Neue Dateien");
    WriteWholeFile(config.File("user-dirs.dirs"), "XDG_DOWNLOAD_DIR=\"" + downloads + "\"\n");
    const ScopedVariable config_home("XDG_CONFIG_HOME", config.path());
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(PrintQueue::Served);
    StartApp();
    auto* printers = dynamic_cast<wxChoice*>(Control(kPrinterListControl));
    ASSERT_NE(printers, nullptr);
    ASSERT_EQ(printers->GetStringSelection(), "Hall_Laser") << "the default stays preselected";
    printers->SetSelection(static_cast<int>(printers->GetCount()) - 1);
    ASSERT_EQ(printers->GetStringSelection(), "Save to Downloads folder");
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();

    const std::string first = downloads + "/Q3 report.pdf";
    const std::string second = downloads + "/Q3 report (2).pdf";
    QueuePrintFile(*sandbox, kUser, "Q3 report.pdf", "%PDF-1.4 first\n");
    ASSERT_TRUE(PumpUntil([&] { return FileExists(first); })) << Printer();
    QueuePrintFile(*sandbox, kUser, "Q3 report.pdf", std::string("%PDF-1.4 \0second\n", 17));
    ASSERT_TRUE(PumpUntil([&] { return FileExists(second); })) << Printer();
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();
    trail->Sample();

    EXPECT_EQ(ReadWholeFile(first), "%PDF-1.4 first\n");
    EXPECT_EQ(ReadWholeFile(second), std::string("%PDF-1.4 \0second\n", 17));
    for (const std::string& saved : {first, second}) {
        EXPECT_EQ(std::filesystem::status(saved).permissions(),
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    EXPECT_TRUE(folder.Calls("print").empty()) << testing::PrintToString(folder.Calls("print"));
    EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", "Q3 report.pdf"), 2);
    EXPECT_EQ(trail->Printer().back(), "Connected");
    ASSERT_TRUE(PumpUntil([&] { return !desktop.Notifications().empty(); }));
    const std::string summary = desktop.Notifications()[0].summary;
    EXPECT_TRUE(summary == "Document saved" || summary == "2 documents saved in " + downloads)
        << summary;
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}
}  // namespace

// A queue stopped while its server does not answer ends within a second and reports nothing;
// a new session begun at once keeps its own queue and label whichever of the two ends first.
TEST_F(PrintQueueFlow, QueueStoppedWhileItsServerIsSilentEndsAtOnceAndLeavesTheNewQueueInPlace) {
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(PrintQueue::None);
    SilentListener print_server;  // accepts and never answers: connecting waits out its limit
    MutableTestDeployment().print_queue_host = "127.0.0.1";
    MutableTestDeployment().print_queue_port = static_cast<std::uint16_t>(print_server.Port());
    StartApp();

    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_EQ(Printer(), "Connecting...");
    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_EQ(Printer(), "Connecting...");
    PumpFor(std::chrono::milliseconds(1500));  // the first queue has ended by now
    EXPECT_TRUE(MirlNxAppInspector(TheApp()).HoldsPrintQueue());
    EXPECT_EQ(Printer(), "Connecting...");

    const auto failures = [&] {
        const Strings shown = Messages();
        return std::count(shown.begin(), shown.end(), "Printing failed: PRINTER connection failed");
    };
    EXPECT_EQ(failures(), 0) << "a stopped queue is not a failed one";
    ASSERT_TRUE(PumpUntil([&] { return failures() >= 1; }, std::chrono::seconds(60)));
    EXPECT_TRUE(PumpUntil([&] { return !MirlNxAppInspector(TheApp()).HoldsPrintQueue(); }));
    PumpFor(std::chrono::milliseconds(500));
    EXPECT_EQ(failures(), 1);
    EXPECT_EQ(Printer(), "Not Connected");
}

namespace {
// Queues count one-byte documents "doc000", ... holding 'a', 'b', ... in turn.
// All appear in the queue at one moment, as one print run of the remote desktop would.
std::string QueueOneByteDocuments(const Sandbox& sandbox, int count) {
    std::string order;
    std::vector<std::pair<std::string, std::string>> documents;
    for (int i = 0; i < count; ++i) {
        const char name[] = {
            'd', 'o', 'c', char('0' + i / 100), char('0' + i / 10 % 10), char('0' + i % 10), '\0'};
        order += char('a' + i % 26);
        documents.emplace_back(name, std::string(1, order.back()));
    }
    QueuePrintFiles(sandbox, kUser, documents);
    return order;
}
}  // namespace

// A print server that reports failure after failure while a box is open gets one box for the
// first and one after it for the rest, never a stack of boxes.
TEST_F(PrintQueueFlow, FloodOfPrintFailuresShowsOneBoxAtATime) {
    AddDefaultPrinter("Hall_Laser");
    StartSandbox(PrintQueue::Served, Scenario({{"print_queue", {{"oversized", 40}}}}));
    dialogs.HoldOpen(std::chrono::milliseconds(300));
    StartApp();
    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return !Messages().empty(); })) << Printer();
    PumpFor(std::chrono::seconds(2));

    EXPECT_EQ(dialogs.MostOpenAtOnce(), 1);
    const Strings shown = Messages();
    ASSERT_GE(shown.size(), 2u);
    EXPECT_LE(shown.size(), 3u) << testing::PrintToString(shown);
    EXPECT_EQ(shown[0],
              "Printing failed: \"oversized-00000.pdf\" in the print queue is larger "
              "than 4 GiB; it is not printed and stays in the print queue.");
    EXPECT_NE(shown[1].find(" more printing problems occurred; the first of them:"),
              std::string::npos)
        << shown[1];
}

// Documents delivered faster than they print wait their turn: two print programs at most, in
// the order the documents came, and "Printing" until the last has ended. The rest wait on the
// server, not here: only the two printing and one beside them have left it.
TEST_F(PrintQueueFlow, ManyDocumentsPrintTwoAtATimeInTheirOrder) {
    TempDir logs;
    const std::string log = logs.File("print.log"), held = logs.File("held.log");
    ASSERT_TRUE(ConnectWithPrinter());
    // At each start: documents still queued, and print programs ended so far. printf, not echo:
    // echo takes "-n" for an option.
    WriteWholeFile(folder.path() + "/sumatraPDF",
                   "#!/bin/sh\nprintf '+%s\\n' \"$(cat \"$3\")\" >> " + log + "\necho $(ls '" +
                       SandboxQueueFolder(*sandbox, kUser) + "' | wc -l) $(grep -c '^-' " + log +
                       ") >> " + held + "\nsleep 0.3\nprintf -- '-%s\\n' \"$(cat \"$3\")\" >> " +
                       log + "\n");

    const std::string order = QueueOneByteDocuments(*sandbox, 20);
    const auto ended = [&] {
        const std::string text = FileExists(log) ? ReadWholeFile(log) : "";
        return static_cast<size_t>(std::count(text.begin(), text.end(), '-'));
    };
    ASSERT_TRUE(PumpUntil([&] { return ended() == order.size(); }, std::chrono::seconds(60)))
        << ReadWholeFile(log);
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();
    trail->Sample();

    std::string started;
    int running = 0, most = 0;
    const std::string lines = ReadWholeFile(log);
    for (const char* line = lines.c_str(); *line != '\0'; line += 3) {
        running += line[0] == '+' ? 1 : -1;
        most = std::max(most, running);
        if (line[0] == '+') started += line[1];
    }
    EXPECT_EQ(most, 2);
    std::istringstream starts(ReadWholeFile(held));
    for (std::size_t queued = 0, ended = 0; starts >> queued >> ended;) {
        EXPECT_LE(order.size() - queued - ended, 3u) << queued << " queued, " << ended << " ended";
    }
    // Two programs started together may write their first lines either way round: each document
    // starts at most one place from its own.
    ASSERT_EQ(started.size(), order.size()) << started;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::size_t at = started.find(order[i]);
        EXPECT_TRUE(at != std::string::npos && (at > i ? at - i : i - at) <= 1)
            << order[i] << " started at " << at << ": " << started;
    }
    const Strings labels = trail->Printer();
    EXPECT_EQ(std::count(labels.begin(), labels.end(), "Connected"), 2)
        << "once connected, once when all were printed: " << testing::PrintToString(labels);
    EXPECT_TRUE(LooseTempFiles().empty()) << testing::PrintToString(LooseTempFiles());
}

// Documents whose print fails are kept, but a queue of failing documents cannot fill the disk:
// the oldest copies go, and the user is told once.
TEST_F(PrintQueueFlow, CopiesKeptAfterFailedPrintsAreBounded) {
    WriteWholeFile(folder.path() + "/sumatraPDF", "#!/bin/sh\nexit 3\n");
    ASSERT_TRUE(ConnectWithPrinter());

    QueueOneByteDocuments(*sandbox, 60);
    const auto count = [&](const std::string& prefix) {
        const Strings shown = Messages();
        return std::count_if(shown.begin(), shown.end(),
                             [&](const std::string& text) { return text.rfind(prefix, 0) == 0; });
    };
    ASSERT_TRUE(PumpUntil([&] { return count("Printing failed: The print program failed") == 60; },
                          std::chrono::seconds(60)))
        << Messages().size();
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(LooseTempFiles().size(), 50u);
    EXPECT_EQ(count("Printing failed: Older copies of documents that failed to print were "
                    "removed: at most 50 copies and 512 MiB are kept."),
              1);
}
