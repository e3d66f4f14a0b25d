#include "support/PrintQueueHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "printing/SftpThread.h"
#include "support/EventPump.h"

std::unique_ptr<Sandbox> PrintQueueSandbox(const nlohmann::json& print_queue) {
    SandboxOptions options;
    options.print_queue = true;
    if (!print_queue.is_null()) options.scenario = {{"print_queue", print_queue}};
    return std::make_unique<Sandbox>(options);
}

std::string SandboxQueueFolder(const Sandbox& sandbox, const std::string& account, bool fallback) {
    const std::string root = sandbox.StateDir() + "/print/" + account;
    return fallback ? root + "/" + account + "/.mirlprinting" : root + "/.mirlprinting";
}

long QueuedCount(const Sandbox& sandbox, const std::string& account) {
    const std::filesystem::directory_iterator entries(SandboxQueueFolder(sandbox, account));
    return std::distance(begin(entries), end(entries));
}

std::string QueuePrintFile(const Sandbox& sandbox, const std::string& account,
                           const std::string& name, const std::string& bytes, bool fallback) {
    const std::string folder = SandboxQueueFolder(sandbox, account, fallback);
    std::filesystem::create_directories(folder);
    const std::string staging = sandbox.StateDir() + "/print/." + name + ".partial";
    const std::string target = folder + "/" + name;
    WriteWholeFile(staging, bytes);
    std::rename(staging.c_str(), target.c_str());
    return target;
}

void QueuePrintFiles(const Sandbox& sandbox, const std::string& account,
                     const std::vector<std::pair<std::string, std::string>>& documents) {
    const std::string folder = SandboxQueueFolder(sandbox, account);
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : documents) {
        WriteWholeFile(sandbox.StateDir() + "/print/." + name + ".partial", bytes);
    }
    for (const auto& document : documents) {
        const std::string staging = sandbox.StateDir() + "/print/." + document.first + ".partial";
        std::rename(staging.c_str(), (folder + "/" + document.first).c_str());
    }
}

int PrintQueueLogCount(const Sandbox& sandbox, const std::string& op,
                       const std::string& path_suffix) {
    std::ifstream log(sandbox.StateDir() + "/print/log.jsonl");
    int count = 0;
    for (std::string line; std::getline(log, line);) {
        const auto entry = nlohmann::json::parse(line, nullptr, false);
        if (entry.is_discarded() || entry.value("op", "") != op) continue;
        const std::string path = entry.value("path", "");
        if (path.size() >= path_suffix.size() &&
            path.compare(path.size() - path_suffix.size(), path_suffix.size(), path_suffix) == 0) {
            ++count;
        }
    }
    return count;
}

bool InFolder(const std::string& file, const std::string& folder) {
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(file).parent_path(), folder, error);
}

::testing::AssertionResult SameFiles(const std::vector<std::string>& found,
                                     const std::vector<std::string>& expected) {
    std::vector<std::string> left = expected;
    for (const auto& file : found) {
        const auto same = std::find_if(left.begin(), left.end(), [&](const std::string& other) {
            std::error_code error;
            return std::filesystem::equivalent(file, other, error);
        });
        if (same == left.end()) break;
        left.erase(same);
    }
    if (found.size() == expected.size() && left.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << ::testing::PrintToString(found) << " are not " << ::testing::PrintToString(expected);
}

RunningSftpThread::RunningSftpThread(int port, const std::string& account,
                                     const std::string& password,
                                     std::chrono::milliseconds request_timeout,
                                     std::chrono::milliseconds reconnect_limit,
                                     std::shared_ptr<PrintBacklog> backlog) {
    thread =
        new SftpThread(&recorder, account, password, "127.0.0.1", static_cast<std::uint16_t>(port));
    if (request_timeout.count() > 0) thread->SetRequestTimeout(request_timeout);
    if (reconnect_limit.count() > 0) thread->SetReconnectLimit(reconnect_limit);
    thread->SetBacklog(std::move(backlog));
    if (thread->Run() != wxTHREAD_NO_ERROR) {
        delete thread;
        thread = nullptr;
        ended = true;
        ADD_FAILURE() << "the print queue thread did not start";
    }
}

RunningSftpThread::~RunningSftpThread() {
    if (!ended) Stop();
}

bool RunningSftpThread::Stop() {
    if (ended) return true;
    // Only while it has not reported its end: a detached thread deletes itself.
    if (recorder.Count(EVT_PRINTER_FINISHED) == 0) thread->Delete();
    return WaitForEnd();
}

std::chrono::milliseconds RunningSftpThread::TimedStop() {
    const auto asked = std::chrono::steady_clock::now();
    EXPECT_TRUE(Stop());
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 asked);
}

bool RunningSftpThread::WaitForPrinted(size_t count) {
    return PumpUntil([&] { return PrintedFiles().size() >= count; }, std::chrono::seconds(60));
}

bool RunningSftpThread::WaitForEnd() {
    ended = PumpUntil([&] { return recorder.Count(EVT_PRINTER_FINISHED) > 0; },
                      std::chrono::seconds(60));
    if (!ended) ADD_FAILURE() << "the print queue thread did not end";
    return ended;
}

std::vector<std::string> RunningSftpThread::PrintedFiles() const {
    std::vector<std::string> files;
    for (const auto& e : recorder.Of(EVT_PRINT_FILE)) files.push_back(EventRecorder::Text(e));
    return files;
}

std::vector<std::string> RunningSftpThread::PrintedContents() const {
    std::vector<std::string> contents;
    for (const auto& path : PrintedFiles()) contents.push_back(ReadWholeFile(path));
    return contents;
}

std::vector<std::string> RunningSftpThread::FileTrace() const {
    std::vector<std::string> trace;
    for (const auto& e : recorder.events()) {
        if (e.type == EVT_PRINTER_STATUS || e.type == EVT_PRINT_FILE ||
            e.type == EVT_PRINT_FAILURE) {
            trace.push_back(std::string(EventRecorder::Name(e.type)) + ":" +
                            EventRecorder::Text(e));
        }
    }
    return trace;
}
