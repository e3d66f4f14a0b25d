// Print queue cases only a POSIX system shows or can set up: the copies' file mode (on Windows
// they take the access list of the user's own temporary folder), a limit on the size of the
// process's files, a pipe and links made in the server's folder, and a client killed.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "printing/PrintBacklog.h"
#include "support/EventPump.h"
#include "support/PrintQueueHelpers.h"

TEST(SftpThread, CopiesAreReadableByTheirOwnerOnly) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    QueuePrintFile(*sandbox, "demo", "a.pdf", "document");
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(queue.Stop());
    struct stat info {};
    ASSERT_EQ(stat(queue.PrintedFiles().at(0).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
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
    // A copy seen now may belong to an attempt under way; one still there a moment later stays.
    const auto seen = temp.Files();
    PumpFor(std::chrono::milliseconds(400));
    std::vector<std::string> left_over;
    for (const auto& path : temp.Files()) {
        if (std::find(seen.begin(), seen.end(), path) != seen.end()) left_over.push_back(path);
    }
    const bool still_queued = FileExists(remote);
    const size_t printed_while_limited = queue.PrintedFiles().size();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previous_handler);

    ASSERT_TRUE(reported);
    EXPECT_TRUE(left_over.empty()) << left_over.size() << " partial copies left";
    EXPECT_TRUE(still_queued);
    EXPECT_EQ(printed_while_limited, 0u);
    ASSERT_TRUE(queue.WaitForPrinted(1));
    ASSERT_TRUE(queue.Stop());
    EXPECT_TRUE(ReadWholeFile(queue.PrintedFiles()[0]) == content);
    EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 1u);
}

// A link is judged by what it leads to: a document is printed and the link taken off the queue.
TEST(SftpThread, PipeEndlessLinkAndFolderLinkArePassedOverAndALinkToADocumentPrinted) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    const std::string folder = SandboxQueueFolder(*sandbox, "demo");
    std::filesystem::create_directories(folder);
    ASSERT_EQ(mkfifo((folder + "/a-pipe.pdf").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", folder + "/b-endless.pdf");
    QueuePrintFile(*sandbox, "demo", "c-real.pdf", "real document");
    const std::string target = folder + "/../linked.pdf";
    WriteWholeFile(target, "linked document");
    std::filesystem::create_symlink("../linked.pdf", folder + "/d-link.pdf");
    std::filesystem::create_directory_symlink("..", folder + "/e-folder.pdf");

    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(queue.WaitForPrinted(2));
    PumpFor(std::chrono::milliseconds(700));  // further scans pass over the others again
    EXPECT_LT(queue.TimedStop(), std::chrono::milliseconds(1000));
    EXPECT_EQ(queue.PrintedContents(),
              (std::vector<std::string>{"real document", "linked document"}));
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "a-pipe.pdf"), 0);
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "b-endless.pdf"), 0);
    EXPECT_EQ(PrintQueueLogCount(*sandbox, "open", "e-folder.pdf"), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(folder + "/d-link.pdf"));
    EXPECT_EQ(ReadWholeFile(target), "linked document");
    std::vector<std::string> local = temp.Files(), printed = queue.PrintedFiles();
    std::sort(local.begin(), local.end());
    std::sort(printed.begin(), printed.end());
    EXPECT_EQ(local, printed);
}

// A client killed in the middle of a batch (here in a process of its own, whose documents never
// finish printing) has taken no more than its backlog off the server; the next session prints
// all the rest.
TEST(SftpThread, KilledClientLeavesAllButItsBacklogQueuedForTheNextSession) {
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    std::vector<std::pair<std::string, std::string>> documents;
    for (char c = 'a'; c <= 'h'; ++c) documents.push_back({std::string(1, c) + ".pdf", {c}});
    QueuePrintFiles(*sandbox, "demo", documents);

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t client = fork();
    ASSERT_GE(client, 0);
    if (client == 0) {
        auto backlog = std::make_shared<PrintBacklog>(3);
        RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo", {}, {}, backlog);
        const char taken = queue.WaitForPrinted(3) ? 'y' : 'n';
        (void)!write(ready[1], &taken, 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char taken = 'n';
    EXPECT_EQ(read(ready[0], &taken, 1), 1);
    close(ready[0]);
    PumpFor(std::chrono::milliseconds(500));  // room for one more would be taken by now
    kill(client, SIGKILL);
    waitpid(client, nullptr, 0);
    ASSERT_EQ(taken, 'y');
    EXPECT_EQ(QueuedCount(*sandbox, "demo"), 5);

    RunningSftpThread next(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_TRUE(next.WaitForPrinted(5));
    EXPECT_EQ(next.PrintedContents(), (std::vector<std::string>{"d", "e", "f", "g", "h"}));
    EXPECT_EQ(QueuedCount(*sandbox, "demo"), 0);
}
