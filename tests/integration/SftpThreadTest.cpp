#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <string>
#include <vector>

#include "support/EventPump.h"
#include "support/OpensshServer.h"
#include "support/PrintQueueHelpers.h"

namespace {
using Trace = std::vector<std::string>;

std::unique_ptr<Sandbox> PrintQueueSandbox(const nlohmann::json& print_queue = {}) {
    SandboxOptions options;
    options.print_queue = true;
    if (!print_queue.is_null()) options.scenario = {{"print_queue", print_queue}};
    return std::make_unique<Sandbox>(options);
}

bool WaitForPrintedCount(RunningSftpThread& queue, size_t count) {
    return PumpUntil([&] { return queue.PrintedFiles().size() >= count; },
                     std::chrono::seconds(60));
}
}  // namespace

TEST(SftpThread, TwoFilesArriveInOrderAsPrivateTemporaryFiles) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string first = RandomBytes(70000, 1), second = RandomBytes(5, 2);
    const std::string remote_a = QueuePrintFile(*sandbox, "demo", "a.pdf", first);
    const std::string remote_b = QueuePrintFile(*sandbox, "demo", "b.pdf", second);

    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(WaitForPrintedCount(queue, 2));
    ASSERT_TRUE(queue.Stop());

    const auto printed = queue.PrintedFiles();
    EXPECT_EQ(queue.FileTrace(),
              (Trace{"EVT_PRINTER_STATUS:Waiting for file", "EVT_PRINTER_STATUS:Downloading",
                     "EVT_PRINT_FILE:" + printed[0], "EVT_PRINTER_STATUS:Waiting for file",
                     "EVT_PRINTER_STATUS:Downloading", "EVT_PRINT_FILE:" + printed[1]}));
    const Trace all = queue.events().Trace();
    EXPECT_EQ(all.front(), "EVT_PRINTER_CONNECTED:SFTP connected");
    EXPECT_EQ(all.back(), "EVT_PRINTER_FINISHED:SFTP thread finished");
    EXPECT_EQ(ReadWholeFile(printed[0]), first);
    EXPECT_EQ(ReadWholeFile(printed[1]), second);
    for (const auto& path : printed) {
        EXPECT_EQ(path.rfind(temp.path() + "/", 0), 0u) << path;
        EXPECT_EQ(path.find(".pdf"), std::string::npos) << "remote name leaked: " << path;
        struct stat info {};
        ASSERT_EQ(stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u) << path;
    }
    EXPECT_FALSE(FileExists(remote_a));
    EXPECT_FALSE(FileExists(remote_b));
}

TEST(SftpThread, EmptyQueueIsQuietAndEmptyFileGivesEmptyCopyWithoutOpeningDotEntries) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_NE(queue.events().WaitFor(EVT_PRINTER_CONNECTED), nullptr);
    PumpFor(std::chrono::milliseconds(600));  // several scans of the empty folder
    EXPECT_EQ(queue.events().Trace(), (Trace{"EVT_PRINTER_CONNECTED:SFTP connected"}));

    QueuePrintFile(*sandbox, "demo", "empty.ps", "");
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
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
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles().at(0)).size(), content.size());
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles().at(0)) == content);
}

TEST(SftpThread, ShortReadsInThePipelineAreAskedAgainNotSkipped) {
    auto sandbox = PrintQueueSandbox({{"short_reads", {{"every", 3}, {"bytes", 1000}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string content = RandomBytes(1 << 20, 4);
    QueuePrintFile(*sandbox, "demo", "big.pdf", content);
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    ASSERT_TRUE(queue.Stop());
    const std::string copy = ReadWholeFile(queue.PrintedFiles().at(0));
    EXPECT_EQ(copy.size(), content.size());
    EXPECT_TRUE(copy == content) << "the copy differs from the queued document";
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
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
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
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "read_error", "doc.pdf"), 1);
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles()[0]) == content);
    EXPECT_EQ(temp.Files(), queue.PrintedFiles());  // the partial copy is gone
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", "doc.pdf"), 1);
}

TEST(SftpThread, ConnectionCutDuringDownloadReconnectsAndLosesNothing) {
    auto sandbox =
        PrintQueueSandbox({{"drop", {{"name", "doc.pdf"}, {"after_bytes", 200000}, {"times", 1}}}});
    ScopedTempFolder temp;
    const std::string content = RandomBytes(600000, 7);
    const std::string remote = QueuePrintFile(*sandbox, "demo", "doc.pdf", content);
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "drop", "doc.pdf"), 1);
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles()[0]) == content);
    EXPECT_EQ(temp.Files(), queue.PrintedFiles());
    EXPECT_FALSE(FileExists(remote));
    EXPECT_EQ(queue.events().Count(EVT_PRINTER_CONNECTED), 2u);
    EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 0u);
}

TEST(SftpThread, FileTheServerKeepsIsPrintedOnceAndReportedOnce) {
    auto sandbox = PrintQueueSandbox({{"undeletable", {"keep.pdf"}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    QueuePrintFile(*sandbox, "demo", "keep.pdf", "kept");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    // Later scans pass over it; a document queued afterwards proves they ran.
    PumpFor(std::chrono::milliseconds(500));
    QueuePrintFile(*sandbox, "demo", "next.pdf", "next");
    ASSERT_TRUE(WaitForPrintedCount(queue, 2));
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
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    ASSERT_TRUE(PumpUntil([&] { return PrintQueueLogCount(*sandbox, "open", "locked.pdf") >= 3; }));
    ASSERT_TRUE(queue.Stop());
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles()[0]), "open");
    EXPECT_EQ(queue.events().Count(EVT_PRINTER_STATUS), 2u);  // only for open.pdf
    EXPECT_TRUE(FileExists(locked));
}

TEST(SftpThread, UnreadableSizeSkipsTheFileForOneScan) {
    auto sandbox = PrintQueueSandbox({{"stat_error", {{"name", "doc.pdf"}, {"times", 1}}}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    QueuePrintFile(*sandbox, "demo", "doc.pdf", "document");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "stat_error", "doc.pdf"), 1);
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "doc.pdf"), 2);
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles()[0]), "document");
}

TEST(SftpThread, FailedLocalWriteKeepsTheDocumentQueuedAndIsReportedOnce) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string content = RandomBytes(400000, 8);
    const std::string remote = QueuePrintFile(*sandbox, "demo", "doc.pdf", content);

    // Local files of this process may not grow past 64 KiB for a while.
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    const bool reported = queue.events().WaitFor(EVT_PRINT_FAILURE) != nullptr;
    // Let it fail again at least once more before the limit goes.
    PumpUntil([&] { return PrintQueueLogCount(*sandbox, "open", "doc.pdf") >= 2; });
    PumpFor(std::chrono::milliseconds(1500));
    const auto left_over = temp.Files();
    const bool still_queued = FileExists(remote);
    const size_t printed_while_limited = queue.PrintedFiles().size();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);

    ASSERT_TRUE(reported);
    EXPECT_TRUE(left_over.empty()) << left_over.size() << " partial copies left";
    EXPECT_TRUE(still_queued);
    EXPECT_EQ(printed_while_limited, 0u);
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles()[0]) == content);
    EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 1u);
}
