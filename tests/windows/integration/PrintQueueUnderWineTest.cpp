// The print queue thread on Windows (libssh over the platform's TcpConnect and Winsock)
// against the sandbox's print queue, started on the Linux side by the wrapper script.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "SilentListener.h"
#include "support/EventPump.h"
#include "support/PrintQueueHelpers.h"

namespace {
using Trace = std::vector<std::string>;

SandboxOptions PrintQueueSide(const nlohmann::json& print_queue = {}) {
    SandboxOptions options;
    options.print_queue = true;
    if (!print_queue.is_null()) options.scenario = {{"print_queue", print_queue}};
    return options;
}

bool WaitForPrintedCount(RunningSftpThread& queue, size_t count) {
    return PumpUntil([&] { return queue.PrintedFiles().size() >= count; },
                     std::chrono::seconds(30));
}

bool InFolder(const std::string& file, const std::string& folder) {
    return std::filesystem::equivalent(std::filesystem::path(file).parent_path(), folder);
}
}  // namespace

TEST(PrintQueueUnderWine, DocumentsArriveWithTheirExactBytesAndLeaveTheQueue) {
    Sandbox sandbox(PrintQueueSide());
    ScopedTempFolder temp;
    // Sizes around the pipelined reads' pieces, and bytes a text mode would change.
    const std::string first = RandomBytes(70000, 1) + "\r\n\x1a\n";
    const std::string second = RandomBytes(5, 2);
    const std::string remote_a = QueuePrintFile(sandbox, "demo", "a.pdf", first);
    const std::string remote_b = QueuePrintFile(sandbox, "demo", "b.pdf", second);

    RunningSftpThread queue(sandbox.Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(WaitForPrintedCount(queue, 2));
    ASSERT_TRUE(queue.Stop());

    const auto printed = queue.PrintedFiles();
    EXPECT_EQ(queue.FileTrace(),
              (Trace{"EVT_PRINTER_STATUS:Waiting for file", "EVT_PRINTER_STATUS:Waiting for file",
                     "EVT_PRINTER_STATUS:Downloading", "EVT_PRINT_FILE:" + printed[0],
                     "EVT_PRINTER_STATUS:Downloading", "EVT_PRINT_FILE:" + printed[1]}));
    const Trace all = queue.events().Trace();
    EXPECT_EQ(all.front(), "EVT_PRINTER_CONNECTED:SFTP connected");
    EXPECT_EQ(all.back(), "EVT_PRINTER_FINISHED:SFTP thread finished");
    EXPECT_TRUE(ReadWholeFile(printed[0]) == first) << "the first copy differs";
    EXPECT_EQ(ReadWholeFile(printed[1]), second);
    for (const auto& path : printed) {
        EXPECT_TRUE(InFolder(path, temp.path())) << path << " is not in " << temp.path();
        EXPECT_EQ(path.find(".pdf"), std::string::npos) << "remote name leaked: " << path;
    }
    EXPECT_FALSE(FileExists(remote_a));
    EXPECT_FALSE(FileExists(remote_b));
    EXPECT_EQ(PrintQueueLogCount(sandbox, "remove", "a.pdf"), 1);
    EXPECT_EQ(PrintQueueLogCount(sandbox, "remove", "b.pdf"), 1);
}

// A large document over several pipelined reads, some of them answered short.
TEST(PrintQueueUnderWine, ShortReadsAreAskedAgainNotSkipped) {
    Sandbox sandbox(PrintQueueSide({{"short_reads", {{"every", 3}, {"bytes", 1000}}}}));
    ScopedTempFolder temp;
    const std::string content = RandomBytes(1 << 20, 4);
    const std::string remote = QueuePrintFile(sandbox, "demo", "big.pdf", content);
    RunningSftpThread queue(sandbox.Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    ASSERT_TRUE(queue.Stop());
    const std::string copy = ReadWholeFile(queue.PrintedFiles().at(0));
    EXPECT_EQ(copy.size(), content.size());
    EXPECT_TRUE(copy == content) << "the copy differs from the queued document";
    EXPECT_FALSE(FileExists(remote));
}

// The server cuts the connection part-way: the thread connects again through Winsock, fetches
// the document whole and leaves no partial copy behind.
TEST(PrintQueueUnderWine, ConnectionCutDuringDownloadReconnectsAndLosesNothing) {
    Sandbox sandbox(
        PrintQueueSide({{"drop", {{"name", "doc.pdf"}, {"after_bytes", 200000}, {"times", 1}}}}));
    ScopedTempFolder temp;
    const std::string content = RandomBytes(600000, 7);
    const std::string remote = QueuePrintFile(sandbox, "demo", "doc.pdf", content);
    RunningSftpThread queue(sandbox.Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(PrintQueueLogCount(sandbox, "drop", "doc.pdf"), 1);
    ASSERT_EQ(queue.PrintedFiles().size(), 1u);
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles()[0]) == content);
    EXPECT_EQ(temp.Files().size(), 1u) << "the partial copy is gone";
    EXPECT_FALSE(FileExists(remote));
    EXPECT_EQ(queue.events().Count(EVT_PRINTER_CONNECTED), 2u);
    EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 0u);
}

TEST(PrintQueueUnderWine, RefusedLoginAndRefusedConnectionEndTheThreadWithTheirMessage) {
    Sandbox sandbox(PrintQueueSide());
    struct Case {
        const char* name;
        int port;
        const char* password;
        const char* failure;
    };
    // Nothing listens on port 1 in the wrapper's own network namespace.
    const Case cases[] = {
        {"wrong password", sandbox.Port("print_queue"), "wrong", "SFTP authentication failed"},
        {"closed port", 1, "demo", "PRINTER connection failed"},
    };
    for (const Case& c : cases) {
        RunningSftpThread queue(c.port, "demo", c.password);
        ASSERT_TRUE(queue.WaitForEnd()) << c.name;
        EXPECT_EQ(queue.events().Trace(), (Trace{std::string("EVT_PRINT_FAILURE:") + c.failure,
                                                 "EVT_PRINTER_FINISHED:SFTP thread finished"}))
            << c.name;
    }
}

// A request the server leaves unanswered is cut by shutting the Winsock socket down under the
// blocked call: first by the request limit (the document is then fetched on a new connection),
// then by a stop, which must be answered within a second.
TEST(PrintQueueUnderWine, SilentServerIsCutByTheRequestLimitAndByAStop) {
    Sandbox sandbox(PrintQueueSide({{"silent", {{"name", "quiet.pdf"}, {"times", 1}}}}));
    ScopedTempFolder temp;
    const std::string remote = QueuePrintFile(sandbox, "demo", "quiet.pdf", "document");
    {
        RunningSftpThread queue(sandbox.Port("print_queue"), "demo", "demo",
                                std::chrono::milliseconds(1500));
        ASSERT_TRUE(WaitForPrintedCount(queue, 1));
        ASSERT_TRUE(queue.Stop());
        EXPECT_EQ(ReadWholeFile(queue.PrintedFiles().at(0)), "document");
        EXPECT_EQ(queue.events().Count(EVT_PRINTER_CONNECTED), 2u);
        EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 0u);
        EXPECT_FALSE(FileExists(remote));
    }

    sandbox.SetScenario({{"print_queue", {{"silent", {{"name", "hang.pdf"}, {"times", 100}}}}}});
    const std::string stuck = QueuePrintFile(sandbox, "demo", "hang.pdf", "stuck");
    RunningSftpThread queue(sandbox.Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(PumpUntil([&] { return PrintQueueLogCount(sandbox, "silent", "hang.pdf") > 0; }));
    PumpFor(std::chrono::milliseconds(200));
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(queue.Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1));
    EXPECT_TRUE(queue.PrintedFiles().empty());
    EXPECT_TRUE(FileExists(stuck));
    std::remove(stuck.c_str());  // the queue is shared with the later cases
}

// A server that takes the TCP connection and never says a word: the stop reaches the thread in
// the middle of the SSH handshake.
TEST(PrintQueueUnderWine, StopDuringTheHandshakeWithASilentServerIsAnsweredWithinASecond) {
    SilentListener silent;
    RunningSftpThread queue(silent.Port(), "demo", "demo");
    PumpFor(std::chrono::milliseconds(1000));
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(queue.Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(1));
    EXPECT_EQ(queue.events().Count(EVT_PRINTER_CONNECTED), 0u);
    EXPECT_EQ(queue.events().Trace().back(), "EVT_PRINTER_FINISHED:SFTP thread finished");
}

// Sizes past 32 bits travel whole through libssh's attributes on Windows too.
TEST(PrintQueueUnderWine, DocumentOverTheSizeLimitIsRefusedAndStaysQueued) {
    Sandbox sandbox(PrintQueueSide());
    ScopedTempFolder temp;
    const std::string huge = QueuePrintFile(sandbox, "demo", "huge.pdf", "");
    std::filesystem::resize_file(huge, (std::uintmax_t{4} << 30) + 1);  // sparse
    RunningSftpThread queue(sandbox.Port("print_queue"), "demo", "demo");
    QueuePrintFile(sandbox, "demo", "next.pdf", "next");
    ASSERT_TRUE(WaitForPrintedCount(queue, 1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_EQ(ReadWholeFile(queue.PrintedFiles().at(0)), "next");
    const auto failures = queue.events().Of(EVT_PRINT_FAILURE);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(EventRecorder::Text(failures[0]),
              "\"huge.pdf\" in the print queue is larger than 4 GiB; it is not printed and stays "
              "in the print queue.");
    EXPECT_EQ(PrintQueueLogCount(sandbox, "open", "huge.pdf"), 0);
    EXPECT_TRUE(FileExists(huge));
    std::remove(huge.c_str());  // the queue is shared with the later cases
}
