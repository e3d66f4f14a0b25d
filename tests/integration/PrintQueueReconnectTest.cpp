#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "support/EventPump.h"
#include "support/PrintQueueHelpers.h"
#include "support/PrivateNetwork.h"

// The print queue over a network that drops: the sandbox and the worker share a network of
// their own whose only link is taken down and brought back.
namespace {
using namespace std::chrono_literals;
using Trace = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

const std::string kReconnecting = "EVT_PRINTER_STATUS:Reconnecting";

bool Saw(RunningSftpThread& queue, const std::string& entry) {
    const Trace trace = queue.events().Trace();
    return std::find(trace.begin(), trace.end(), entry) != trace.end();
}
}  // namespace

TEST(PrintQueueReconnect, DocumentsQueuedBeforeDuringAndAfterADropPrintOnce) {
    PrivateNetwork network;
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo", 2s);
    ASSERT_NE(queue.events().WaitFor(EVT_PRINTER_CONNECTED), nullptr);

    // Cut while the first document is still settling: it is fetched on the new connection.
    QueuePrintFile(*sandbox, "demo", "before.pdf", "before");
    ASSERT_NE(queue.events().WaitFor(EVT_PRINTER_STATUS), nullptr);  // "Waiting for file"
    network.SetLinkUp(false);
    const auto cut = Clock::now();
    ASSERT_TRUE(PumpUntil([&] { return Saw(queue, kReconnecting); }));
    QueuePrintFile(*sandbox, "demo", "during.pdf", "during");
    PumpFor(std::chrono::duration_cast<std::chrono::milliseconds>(20s - (Clock::now() - cut)));
    network.SetLinkUp(true);

    ASSERT_TRUE(PumpUntil([&] { return queue.events().Count(EVT_PRINTER_CONNECTED) == 2; }, 60s));
    QueuePrintFile(*sandbox, "demo", "after.pdf", "after");
    ASSERT_TRUE(PumpUntil([&] { return queue.PrintedFiles().size() >= 3; }, 30s));
    PumpFor(1500ms);  // time enough to print one twice
    ASSERT_TRUE(queue.Stop());

    std::vector<std::string> contents;
    for (const auto& path : queue.PrintedFiles()) contents.push_back(ReadWholeFile(path));
    std::sort(contents.begin(), contents.end());
    EXPECT_EQ(contents, (std::vector<std::string>{"after", "before", "during"}));
    for (const std::string name : {"before.pdf", "during.pdf", "after.pdf"}) {
        EXPECT_EQ(PrintQueueLogCount(*sandbox, "remove", name), 1) << name;
    }
    EXPECT_EQ(queue.events().Count(EVT_PRINTER_CONNECTED), 2u);
    EXPECT_EQ(queue.events().Count(EVT_PRINT_FAILURE), 0u);
    const Trace trace = queue.events().Trace();
    const auto reconnecting = std::find(trace.begin(), trace.end(), kReconnecting);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), kReconnecting), 1);
    EXPECT_EQ(
        std::find(reconnecting, trace.end(), "EVT_PRINTER_CONNECTED:SFTP connected") - reconnecting,
        1)
        << "connected again right after reconnecting";
}

TEST(PrintQueueReconnect, DropLongerThanTheReconnectLimitEndsPrintingAndKeepsTheQueue) {
    PrivateNetwork network;
    auto sandbox = PrintQueueSandbox();
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo", 1500ms, 5s);
    ASSERT_NE(queue.events().WaitFor(EVT_PRINTER_CONNECTED), nullptr);
    network.SetLinkUp(false);
    const std::string remote = QueuePrintFile(*sandbox, "demo", "kept.pdf", "kept");
    ASSERT_TRUE(PumpUntil([&] { return Saw(queue, kReconnecting); }));
    const auto lost = Clock::now();
    ASSERT_TRUE(queue.WaitForEnd());
    const auto tried = Clock::now() - lost;
    EXPECT_GE(tried, 4500ms);
    EXPECT_LT(tried, 10s);
    EXPECT_EQ(queue.events().Trace(), (Trace{"EVT_PRINTER_CONNECTED:SFTP connected", kReconnecting,
                                             "EVT_PRINT_FAILURE:PRINTER connection failed",
                                             "EVT_PRINTER_FINISHED:SFTP thread finished"}));
    EXPECT_TRUE(FileExists(remote));
    EXPECT_TRUE(temp.Files().empty());
}

TEST(PrintQueueReconnect, StopWhileReconnectingIsAnsweredAtOnce) {
    PrivateNetwork network;
    auto sandbox = PrintQueueSandbox();
    // One is stopped in the pause before its first new try, one while that try waits for an
    // answer.
    RunningSftpThread pausing(sandbox->Port("print_queue"), "demo", "demo", 1500ms);
    RunningSftpThread trying(sandbox->Port("print_queue"), "demo", "demo", 1500ms);
    ASSERT_NE(pausing.events().WaitFor(EVT_PRINTER_CONNECTED), nullptr);
    ASSERT_NE(trying.events().WaitFor(EVT_PRINTER_CONNECTED), nullptr);
    network.SetLinkUp(false);
    ASSERT_TRUE(
        PumpUntil([&] { return Saw(pausing, kReconnecting) && Saw(trying, kReconnecting); }));
    const auto lost = Clock::now();
    PumpFor(300ms);
    for (RunningSftpThread* queue : {&pausing, &trying}) {
        if (queue == &trying)
            PumpFor(
                std::chrono::duration_cast<std::chrono::milliseconds>(lost + 2s - Clock::now()));
        const auto asked = Clock::now();
        ASSERT_TRUE(queue->Stop());
        EXPECT_LT(Clock::now() - asked, 1s);
        EXPECT_EQ(queue->events().Count(EVT_PRINT_FAILURE), 0u);
    }
}

TEST(PrintQueueReconnect, PasswordRefusedAfterALostConnectionEndsAtOnce) {
    const nlohmann::json drop = {{"name", "doc.pdf"}, {"after_bytes", 200000}, {"times", 1}};
    auto sandbox = PrintQueueSandbox({{"drop", drop}});
    ScopedTempFolder temp;  // after the sandbox, whose state lives elsewhere
    RunningSftpThread queue(sandbox->Port("print_queue"), "demo", "demo");
    ASSERT_NE(queue.events().WaitFor(EVT_PRINTER_CONNECTED), nullptr);
    sandbox->SetScenario({{"print_queue", {{"drop", drop}, {"accounts", {{"demo", "changed"}}}}}});
    const std::string remote = QueuePrintFile(*sandbox, "demo", "doc.pdf", RandomBytes(600000, 9));
    ASSERT_TRUE(PumpUntil([&] { return Saw(queue, kReconnecting); }));
    const auto lost = Clock::now();
    ASSERT_TRUE(queue.WaitForEnd());
    EXPECT_LT(Clock::now() - lost, 5s) << "a refused password is not tried again";
    const Trace trace = queue.events().Trace();
    EXPECT_EQ(Trace(trace.end() - 3, trace.end()),
              (Trace{kReconnecting, "EVT_PRINT_FAILURE:SFTP authentication failed",
                     "EVT_PRINTER_FINISHED:SFTP thread finished"}));
    EXPECT_TRUE(queue.PrintedFiles().empty());
    EXPECT_TRUE(FileExists(remote));
}
