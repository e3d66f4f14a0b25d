// Starting child programs as the client does on Linux: their folder, environment and streams,
// their end statuses, and starts while other threads keep the allocator busy.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/ChildProgram.h"
#include "platform/ErrorTail.h"
#include "support/EventPump.h"
#include "support/TempDir.h"

namespace {
using namespace std::chrono_literals;

// A program whose end is noted, with the last line it wrote to its error output.
class NotedProgram : public ErrorTailProcess {
  public:
    void OnTerminate(int, int end_status) override {
        FinishReading();
        status = end_status;
        ended = true;
    }
    bool ended = false;
    int status = 0;
};

// Threads that allocate and free without pause while they live.
class AllocatorChurn {
  public:
    AllocatorChurn() {
        for (int i = 0; i < 2; ++i) {
            threads.emplace_back([this] {
                while (!stop) {
                    std::vector<std::unique_ptr<std::string>> held;
                    for (int n = 0; n < 64; ++n)
                        held.push_back(std::make_unique<std::string>(200, 'x'));
                }
            });
        }
    }
    ~AllocatorChurn() {
        stop = true;
        for (std::thread& thread : threads) thread.join();
    }
    AllocatorChurn(const AllocatorChurn&) = delete;
    AllocatorChurn& operator=(const AllocatorChurn&) = delete;

  private:
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
};

ProgramStart Shell(const std::string& script) {
    CommandLine command("sh");
    command.Add("-c").Add(script);
    return ProgramStart{command};
}

TEST(ChildProgram, EndStatusesAreReportedAsTheToolkitDoes) {
    const std::pair<const char*, int> cases[] = {
        {"exit 0", 0}, {"exit 3", 3}, {"exit 255", -1}, {"kill -KILL $$", -9}};
    for (const auto& [script, expected] : cases) {
        SCOPED_TRACE(script);
        NotedProgram program;
        ASSERT_GT(StartChildProgram(Shell(script), &program), 0);
        ASSERT_TRUE(PumpUntil([&] { return program.ended; }, 20s));
        EXPECT_EQ(program.status, expected);
    }
}

// A forked copy of the client that touches the allocator could wait forever for a lock another
// thread held at the fork; each start here gives its program a folder and a variable.
TEST(ChildProgram, ManyStartsWithFolderAndVariablesWhileOtherThreadsAllocate) {
    AllocatorChurn churn;
    TempDir folder;
    constexpr int kStarts = 40;
    std::vector<std::unique_ptr<NotedProgram>> programs;
    for (int i = 0; i < kStarts; ++i) {
        ProgramStart start =
            Shell("here=$PWD; cd /proc/$$/fd && set -- * && echo \"$here $CHILD_VALUE $*\" >&2");
        start.working_folder = folder.path();
        start.environment["CHILD_VALUE"] = "value " + std::to_string(i);
        programs.push_back(std::make_unique<NotedProgram>());
        ASSERT_GT(StartChildProgram(start, programs.back().get()), 0);
        programs.back()->StartReading();
    }
    const bool all_ended = PumpUntil(
        [&] {
            for (const auto& program : programs)
                if (!program->ended) return false;
            return true;
        },
        60s);
    ASSERT_TRUE(all_ended) << "a started program never ran";
    for (int i = 0; i < kStarts; ++i) {
        // Only its three streams (3 is the folder the shell lists): nothing else of the
        // client's reaches a program.
        EXPECT_EQ(programs[i]->LastErrorLine(),
                  folder.path() + " value " + std::to_string(i) + " 0 1 2 3");
        EXPECT_EQ(programs[i]->status, 0);
    }
}
}  // namespace
