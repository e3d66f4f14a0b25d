#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "printing/PrintBacklog.h"
#include "support/EventPump.h"
#include "support/LoopbackListener.h"
#include "support/OpenHandles.h"
#include "support/PrintQueueHelpers.h"

namespace {
using Trace = std::vector<std::string>;
}  // namespace

TEST(SftpThread, TwoFilesArriveInOrderAsPrivateTemporaryFiles) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    // Sizes around the pipelined reads' pieces, and bytes a text mode would change.
    const std::string first = RandomBytes(70000, 1) + "\r\n\x1a\n", second = RandomBytes(5, 2);
    const std::string remote_a = QueuePrintFile(*sandbox, "demo", "a.pdf", first);
    const std::string remote_b = QueuePrintFile(*sandbox, "demo", "b.pdf", second);

    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(2));
    ASSERT_TRUE(queue.Stop());

    const auto printed = queue.PrintedFiles();
    // Both are seen in one listing and settle together.
    EXPECT_EQ(queue.FileTrace(),
              (Trace{"EVT_PRINTER_STATUS:Waiting for file", "EVT_PRINTER_STATUS:Waiting for file",
                     "EVT_PRINTER_STATUS:Downloading", "EVT_PRINT_FILE:" + printed[0],
                     "EVT_PRINTER_STATUS:Downloading", "EVT_PRINT_FILE:" + printed[1]}));
    const Trace all = queue.events().Trace();
    EXPECT_EQ(all.front(), "EVT_PRINTER_CONNECTED:SFTP connected");
    EXPECT_EQ(all.back(), "EVT_PRINTER_FINISHED:SFTP thread finished");
    EXPECT_EQ(ReadWholeFile(printed[0]), first);
    EXPECT_EQ(ReadWholeFile(printed[1]), second);
    for (const auto& path : printed) {
        EXPECT_TRUE(InFolder(path, temp.path())) << path << " is not in " << temp.path();
        EXPECT_EQ(path.find(".pdf"), std::string::npos) << "remote name leaked: " << path;
    }
    EXPECT_FALSE(FileExists(remote_a));
    EXPECT_FALSE(FileExists(remote_b));
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", "a.pdf"), 1);
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", "b.pdf"), 1);
}

TEST(SftpThread, EmptyQueueIsQuietAndEmptyFileGivesEmptyCopyWithoutOpeningDotEntries) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_NE(queue.events().WaitFor(EVT_PRINTER_CONNECTED), nullptr);
    PumpFor(std::chrono::milliseconds(600));  // several scans of the empty folder
    EXPECT_EQ(queue.events().Trace(), (Trace{"EVT_PRINTER_CONNECTED:SFTP connected"}));

    QueuePrintFile(*sandbox, "demo", "empty.ps", "");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(queue.Stop());
    const std::string copy = queue.PrintedFiles().at(0);
    EXPECT_TRUE(FileExists(copy));
    EXPECT_EQ(ReadWholeFile(copy), "");
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "/."), 0);
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "/.."), 0);
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "empty.ps"), 1);
}

TEST(SftpThread, GrowingFileIsHandedOverOnlyWhenComplete) {
    auto sandbox = PrintQueueSandbox({{"growing", {{"name", "grow.pdf"}, {"seconds", 3}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string content = RandomBytes(300000, 3);
    QueuePrintFile(*sandbox, "demo", "grow.pdf", content);
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles().at(0)).size(), content.size());
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles().at(0)) == content);
}

TEST(SftpThread, ShortReadsInThePipelineAreAskedAgainNotSkipped) {
    auto sandbox = PrintQueueSandbox({{"short_reads", {{"every", 3}, {"bytes", 1000}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string content = RandomBytes(1 << 20, 4);
    const std::string remote = QueuePrintFile(*sandbox, "demo", "big.pdf", content);
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(queue.Stop());
    const std::string copy = ReadWholeFile(queue.PrintedFiles().at(0));
    EXPECT_EQ(copy.size(), content.size());
    EXPECT_TRUE(copy == content) << "the copy differs from the queued document";
    EXPECT_FALSE(FileExists(remote));
}

TEST(SftpThread, RefusedLoginAndRefusedConnectionEndTheThreadWithTheirMessage) {
    auto sandbox = PrintQueueSandbox();
    {
        RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "wrong");
        ASSERT_TRUE(queue.WaitForEnd());
        EXPECT_EQ(queue.events().Trace(), (Trace{"EVT_PRINT_FAILURE:SFTP authentication failed",
                                                 "EVT_PRINTER_FINISHED:SFTP thread finished"}));
    }
    {
        RunningSftpThread queue(FreeLoopbackPort(), "demo", "demo");
        ASSERT_TRUE(queue.WaitForEnd());
        EXPECT_EQ(queue.events().Trace(), (Trace{"EVT_PRINT_FAILURE:PRINTER connection failed",
                                                 "EVT_PRINTER_FINISHED:SFTP thread finished"}));
    }
}

TEST(SftpThread, FallbackFolderUnderTheAccountName) {
    auto sandbox = PrintQueueSandbox(
        {{"accounts", {{"ann_dot_lee-2", {{"password", "pw 2"}, {"layout", "fallback"}}}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string remote =
        QueuePrintFile(*sandbox, "ann_dot_lee-2", "report.pdf", "%PDF-1.4", /*fallback=*/true);
    RunningSftpThread queue(sandbox->Port("print_queue"), "ann_dot_lee-2", "pw 2");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles().at(0)), "%PDF-1.4");
    EXPECT_FALSE(FileExists(remote));
}

TEST(SftpThread, StopWhileWaitingOnAFileLeavesItQueuedAndNothingLocal) {
    auto sandbox = PrintQueueSandbox({{"growing", {{"name", "slow.pdf"}, {"seconds", 600}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string remote = QueuePrintFile(*sandbox, "demo", "slow.pdf", RandomBytes(1000, 5));
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_NE(queue.events().WaitFor(EVT_PRINTER_STATUS), nullptr);  // "Waiting for file"
    ASSERT_TRUE(queue.Stop());
    EXPECT_TRUE(queue.PrintedFiles().empty());
    EXPECT_TRUE(FileExists(remote));
    EXPECT_TRUE(temp.Files().empty());
}

TEST(SftpThread, ReadErrorPartWayKeepsTheDocumentQueuedAndFetchesItAgain) {
    auto sandbox = PrintQueueSandbox(
        {{"read_error", {{"name", "doc.pdf"}, {"after_bytes", 200000}, {"times", 1}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string content = RandomBytes(600000, 6);
    QueuePrintFile(*sandbox, "demo", "doc.pdf", content);
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "read_error", "doc.pdf"), 1);
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles()[0]) == content);
    EXPECT_TRUE(SameFiles(temp.Files(), queue.PrintedFiles()));  // the partial copy is gone
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", "doc.pdf"), 1);
}

TEST(SftpThread, ConnectionCutDuringDownloadReconnectsAndLosesNothing) {
    auto sandbox =
        PrintQueueSandbox({{"drop", {{"name", "doc.pdf"}, {"after_bytes", 200000}, {"times", 1}}}});
    ScopedTempFolder temp;
    const std::string content = RandomBytes(600000, 7);
    const std::string remote = QueuePrintFile(*sandbox, "demo", "doc.pdf", content);
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "drop", "doc.pdf"), 1);
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles()[0]) == content);
    EXPECT_TRUE(SameFiles(temp.Files(), queue.PrintedFiles()));
    EXPECT_FALSE(FileExists(remote));
    EXPECT_EQ(queue.events().Count(EVT_PRINTER_CONNECTED), 2u);
    EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 0u);
}

TEST(SftpThread, FileTheServerKeepsIsPrintedOnceAndReportedOnce) {
    auto sandbox = PrintQueueSandbox({{"undeletable", {"keep.pdf"}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    QueuePrintFile(*sandbox, "demo", "keep.pdf", "kept");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    // Later scans pass over it; a document queued afterwards proves they ran.
    PumpFor(std::chrono::milliseconds(500));
    QueuePrintFile(*sandbox, "demo", "next.pdf", "next");
    ASSERT_TRUE(queue.WaitForPrinted(2));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(queue.Stop());
    ASSERT_EQ(queue.PrintedFiles().size(), 2u);
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles()[0]), "kept");
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles()[1]), "next");
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "keep.pdf"), 1);
    const auto failures = queue.events().Of(EVT_PRINT_FAILURE);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(EventRecorder::Text(failures[0]).find("keep.pdf"), std::string::npos);
}

TEST(SftpThread, FileThatCannotBeOpenedIsSkippedAndTriedAgain) {
    auto sandbox = PrintQueueSandbox({{"unopenable", {"locked.pdf"}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string locked = QueuePrintFile(*sandbox, "demo", "locked.pdf", "locked");
    QueuePrintFile(*sandbox, "demo", "open.pdf", "open");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(PumpUntil([&] { return PrintQueueLogCount(*sandbox, "open", "locked.pdf") >= 3; }));
    ASSERT_TRUE(queue.Stop());
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles()[0]), "open");
    const Trace trace = queue.FileTrace();
    EXPECT_EQ(std::count(trace.begin(), trace.end(), "EVT_PRINTER_STATUS:Downloading"), 1)
        << "only open.pdf is downloaded";
    EXPECT_TRUE(FileExists(locked));
}

TEST(SftpThread, UnreadableSizeSkipsTheFileForOneScan) {
    auto sandbox = PrintQueueSandbox({{"stat_error", {{"name", "doc.pdf"}, {"times", 1}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    QueuePrintFile(*sandbox, "demo", "doc.pdf", "document");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "stat_error", "doc.pdf"), 1);
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "doc.pdf"), 2);
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles()[0]), "document");
}

// Without a size by name the open file's counts, never 0 (which would copy nothing and delete
// the document); without permissions by name a file is still a document.
TEST(SftpThread, EntriesWithoutSizeOrPermissionsArePrintedWholeAndRemoved) {
    auto sandbox =
        PrintQueueSandbox({{"bare_listing", {"a.pdf", "b.pdf"}}, {"bare_stat", {"b.pdf"}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string first = RandomBytes(70000, 11), second = RandomBytes(300, 12);
    const std::string remote_a = QueuePrintFile(*sandbox, "demo", "a.pdf", first);
    const std::string remote_b = QueuePrintFile(*sandbox, "demo", "b.pdf", second);

    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(2));
    ASSERT_TRUE(queue.Stop());
    EXPECT_TRUE(queue.PrintedContents() == (std::vector<std::string>{first, second}));
    EXPECT_FALSE(FileExists(remote_a));
    EXPECT_FALSE(FileExists(remote_b));
}

TEST(SftpThread, DocumentOverTheSizeLimitIsRefusedOnceForTheProgramAndStaysQueued) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string huge = QueuePrintFile(*sandbox, "demo", "huge.pdf", "");
    std::filesystem::resize_file(huge, (std::uintmax_t{4} << 30) + 1);  // sparse
    for (int session = 0; session < 2; ++session) {
        RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
        const std::string next = "next" + std::to_string(session) + ".pdf";
        QueuePrintFile(*sandbox, "demo", next, next);
        ASSERT_TRUE(queue.WaitForPrinted(1));
        ASSERT_TRUE(queue.Stop());
        EXPECT_EQ(queue.PrintedContents(), std::vector<std::string>{next});
        const auto failures = queue.events().Of(EVT_PRINT_FAILURE);
        ASSERT_EQ(failures.size(), session == 0 ? 1u : 0u) << "told once, not per session";
        if (session == 0) {
            EXPECT_EQ(EventRecorder::Text(failures[0]),
                      "\"huge.pdf\" in the print queue is larger than 4 GiB; it is not printed "
                      "and stays in the print queue.");
        }
    }
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "huge.pdf"), 0);
    EXPECT_TRUE(FileExists(huge));
}

TEST(SftpThread, SilentServerIsGivenUpAfterTheRequestLimitAndTheDocumentFetchedOnANewConnection) {
    auto sandbox = PrintQueueSandbox({{"silent", {{"name", "doc.pdf"}, {"times", 1}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string remote = QueuePrintFile(*sandbox, "demo", "doc.pdf", "document");
    const size_t handles = OpenHandleCount();
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo",
                            std::chrono::milliseconds(1500));
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(OpenHandleCount(), handles) << "both connections closed";
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "silent", "doc.pdf"), 1);
    EXPECT_EQ(queue.PrintedContents(), std::vector<std::string>{"document"});
    EXPECT_EQ(queue.events().Count(EVT_PRINTER_CONNECTED), 2u);
    EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 0u);
    EXPECT_FALSE(FileExists(remote));
}

TEST(SftpThread, StopIsAnsweredWithinASecondWhileTheServerIsSilent) {
    auto sandbox = PrintQueueSandbox({{"silent", {{"name", "doc.pdf"}, {"times", 100}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string remote = QueuePrintFile(*sandbox, "demo", "doc.pdf", "document");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(PumpUntil([&] { return PrintQueueLogCount(*sandbox, "silent", "doc.pdf") > 0; }));
    PumpFor(std::chrono::milliseconds(200));
    EXPECT_LT(queue.TimedStop(), std::chrono::milliseconds(1000));
    EXPECT_TRUE(queue.PrintedFiles().empty());
    EXPECT_TRUE(FileExists(remote));
    EXPECT_TRUE(temp.Files().empty());
}

// Documents leave the server only as there is room for them locally; a stop while the queue
// waits for room is heard at once, and what waits stays queued.
TEST(SftpThread, DocumentsLeaveTheServerOnlyAsTheBacklogHasRoom) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    auto backlog = std::make_shared<PrintBacklog>(2);
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo", {}, {}, backlog);
    QueuePrintFiles(
        *sandbox, "demo",
        {{"a.pdf", "1"}, {"b.pdf", "2"}, {"c.pdf", "3"}, {"d.pdf", "4"}, {"e.pdf", "5"}});
    ASSERT_TRUE(queue.WaitForPrinted(2));
    PumpFor(std::chrono::milliseconds(1500));  // all settled long ago: only the room is missing
    EXPECT_EQ(queue.PrintedContents(), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(QueuedCount(*sandbox, "demo"), 3);

    backlog->Remove();
    ASSERT_TRUE(queue.WaitForPrinted(3));
    EXPECT_EQ(backlog->Held(), 2u);
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_LT(queue.TimedStop(), std::chrono::milliseconds(1000));
    EXPECT_EQ(queue.PrintedFiles().size(), 3u);
    EXPECT_EQ(QueuedCount(*sandbox, "demo"), 2);
}

// A server that takes the TCP connection and never says a word: the stop reaches the thread in
// the middle of the SSH handshake.
TEST(SftpThread, StopDuringTheHandshakeWithASilentServerIsAnsweredWithinASecond) {
    SilentListener silent;
    RunningSftpThread queue(silent.Port(), "demo", "demo");
    PumpFor(std::chrono::milliseconds(1000));
    EXPECT_LT(queue.TimedStop(), std::chrono::milliseconds(1000));
    EXPECT_EQ(queue.events().Count(EVT_PRINTER_CONNECTED), 0u);
    EXPECT_EQ(queue.events().Trace().back(), "EVT_PRINTER_FINISHED:SFTP thread finished");
}

TEST(SftpThread, NameTakenByANewDocumentDuringTheFetchKeepsTheNewOneForItsOwnTurn) {
    auto sandbox = PrintQueueSandbox(
        {{"replaced", {{"name", "doc.pdf"}, {"content", "the second document"}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string remote = QueuePrintFile(*sandbox, "demo", "doc.pdf", "first");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(2));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "replaced", "doc.pdf"), 1);
    EXPECT_EQ(queue.PrintedContents(), (std::vector<std::string>{"first", "the second document"}));
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", "doc.pdf"), 1);
    EXPECT_FALSE(FileExists(remote));
}

TEST(SftpThread, DocumentsQueuedTogetherSettleTogether) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_NE(queue.events().WaitFor(EVT_PRINTER_CONNECTED), nullptr);
    constexpr int kCount = 10;
    const auto queued = std::chrono::steady_clock::now();
    for (int i = 0; i < kCount; ++i) {
        QueuePrintFile(*sandbox, "demo", "doc" + std::to_string(i) + ".pdf",
                       RandomBytes(50000, static_cast<unsigned>(i)));
    }
    ASSERT_TRUE(queue.WaitForPrinted(kCount));
    const auto took = std::chrono::steady_clock::now() - queued;
    ASSERT_TRUE(queue.Stop());
    // One file after another would take a second each.
    EXPECT_LT(took, std::chrono::seconds(4));
    // Every file is announced before any download, and each download ends in its file.
    const Trace trace = queue.FileTrace();
    size_t waiting = 0;
    for (size_t i = 0; i < trace.size(); ++i) {
        if (trace[i] == "EVT_PRINTER_STATUS:Waiting for file") ++waiting;
        if (trace[i] == "EVT_PRINTER_STATUS:Downloading") {
            ASSERT_LT(i + 1, trace.size());
            EXPECT_EQ(trace[i + 1].rfind("EVT_PRINT_FILE:", 0), 0u) << trace[i + 1];
        }
    }
    EXPECT_EQ(waiting, static_cast<size_t>(kCount));
    EXPECT_EQ(queue.PrintedFiles().size(), static_cast<size_t>(kCount));
}

TEST(SftpThread, FileTheServerKeepsIsNotPrintedOrReportedAgainByTheNextSession) {
    auto sandbox = PrintQueueSandbox({{"undeletable", {"keep.pdf"}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    QueuePrintFile(*sandbox, "demo", "keep.pdf", "kept");
    {
        RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
        ASSERT_TRUE(queue.WaitForPrinted(1));
        ASSERT_TRUE(queue.Stop());
        EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 1u);
    }
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    QueuePrintFile(*sandbox, "demo", "next.pdf", "next");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(queue.PrintedContents(), std::vector<std::string>{"next"});
    EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 0u);
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "keep.pdf"), 1);
}

TEST(SftpThread, DocumentThatSilencesTheServerTwiceIsPassedOverAndTheOneBehindItPrinted) {
    auto sandbox = PrintQueueSandbox({{"silent", {{"name", "a-hang.pdf"}, {"times", 100}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string stuck = QueuePrintFile(*sandbox, "demo", "a-hang.pdf", "stuck");
    QueuePrintFile(*sandbox, "demo", "b-ok.pdf", "behind it");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo",
                            std::chrono::milliseconds(1000));
    ASSERT_TRUE(queue.WaitForPrinted(1));
    PumpFor(std::chrono::milliseconds(500));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(queue.PrintedContents(), std::vector<std::string>{"behind it"});
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "silent", "a-hang.pdf"), 2);
    EXPECT_EQ(queue.FileTrace().back(),
              "EVT_PRINT_FILE:" + queue.PrintedFiles().at(0));  // still running, not failed
    const auto failures = queue.events().Of(EVT_PRINT_FAILURE);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(EventRecorder::Text(failures[0]),
              "The print server stopped answering while \"a-hang.pdf\" was fetched; it is passed "
              "over and stays in the print queue.");
    EXPECT_TRUE(FileExists(stuck));
}

// A server whose listing never ends: the listing is cut, and the documents at its head are
// printed all the same.
TEST(SftpThread, EndlessListingIsCutAndTheDocumentsItHoldsPrinted) {
    auto sandbox = PrintQueueSandbox({{"endless", true}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    QueuePrintFile(*sandbox, "demo", "a.pdf", "first");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(PumpUntil([&] { return !queue.PrintedFiles().empty(); }, std::chrono::seconds(30)))
        << testing::PrintToString(queue.events().Trace());
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(queue.PrintedContents(), std::vector<std::string>{"first"});
    EXPECT_TRUE(queue.events().Of(EVT_PRINT_FAILURE).empty());
}
