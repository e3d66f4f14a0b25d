#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/EventRecorder.h"
#include "support/Sandbox.h"
#include "support/ScopedTempFolder.h"
#include "support/TempDir.h"

class PrintBacklog;
class SftpThread;

// A sandbox serving only the print queue, with a scenario for it (null: none).
std::unique_ptr<Sandbox> PrintQueueSandbox(const nlohmann::json& print_queue = {});

// The real folder of an account's queue in the sandbox's state (fallback: <account>/ inside).
std::string SandboxQueueFolder(const Sandbox& sandbox, const std::string& account,
                               bool fallback = false);
// How many documents the account's queue holds now.
long QueuedCount(const Sandbox& sandbox, const std::string& account);
// Queues a document as the remote desktop would: written beside the queue, then renamed in.
std::string QueuePrintFile(const Sandbox& sandbox, const std::string& account,
                           const std::string& name, const std::string& bytes,
                           bool fallback = false);
// Queues several documents at one moment: all are written first, then all renamed in.
void QueuePrintFiles(const Sandbox& sandbox, const std::string& account,
                     const std::vector<std::pair<std::string, std::string>>& documents);
// How often the print queue logged op ("open", "remove", "drop", ...) for a path ending so.
int PrintQueueLogCount(const Sandbox& sandbox, const std::string& op,
                       const std::string& path_suffix);

// Whether the file lies directly in the folder, however either is spelt.
bool InFolder(const std::string& file, const std::string& folder);
// Whether both lists name the same files, in any order and however each is spelt.
::testing::AssertionResult SameFiles(const std::vector<std::string>& found,
                                     const std::vector<std::string>& expected);

// A started print-queue thread reporting to its own recorder; stopped and waited for (its
// EVT_PRINTER_FINISHED) at the latest when this goes, so the recorder outlives the thread.
class RunningSftpThread {
  public:
    // request_timeout: how long one request may go unanswered; reconnect_limit: how long a lost
    // connection is tried again (zero: the thread's own); backlog: where the documents taken
    // are counted (none: taken as fast as they settle).
    RunningSftpThread(int port, const std::string& account, const std::string& password,
                      std::chrono::milliseconds request_timeout = {},
                      std::chrono::milliseconds reconnect_limit = {},
                      std::shared_ptr<PrintBacklog> backlog = nullptr);
    ~RunningSftpThread();

    EventRecorder& events() { return recorder; }
    // Asks the thread to stop and waits for its end; true when it ended.
    bool Stop();
    // Stops the thread and says how long its end took to arrive.
    std::chrono::milliseconds TimedStop();
    // Waits for the end the thread comes to by itself.
    bool WaitForEnd();
    // Waits (60 s at most) until count documents were handed over.
    bool WaitForPrinted(size_t count);
    // The local paths handed over so far.
    std::vector<std::string> PrintedFiles() const;
    // What the local copies hold now.
    std::vector<std::string> PrintedContents() const;
    // The trace without the connection and end events.
    std::vector<std::string> FileTrace() const;

  private:
    EventRecorder recorder;
    SftpThread* thread = nullptr;
    bool ended = false;
};
