#include "app/Retirement.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {
// Stands in for a child program's process object.
struct FakeProcess {
    bool HasEnded() const { return ended; }
    bool ended = false;
    std::vector<std::string>* deleted;
    std::string name;
    ~FakeProcess() { deleted->push_back(name); }
};
}  // namespace

TEST(Retirement, ReleasesEachOnceItHasEndedWithWhatItKept) {
    std::vector<std::string> deleted;
    auto* first = new FakeProcess{false, &deleted, "first"};
    auto* second = new FakeProcess{false, &deleted, "second"};
    auto key = std::make_shared<int>(7);
    std::weak_ptr<int> key_left = key;
    bool worker_alive = true;
    int worker_releases = 0;

    Retirement retired;
    retired.AddProcess(first, std::move(key));
    retired.AddProcess(second);
    retired.AddProcess<FakeProcess>(nullptr);
    retired.Add([&] { return !worker_alive; }, [&] { ++worker_releases; });
    EXPECT_TRUE(retired.AnyRunning());
    EXPECT_TRUE(deleted.empty());

    second->ended = true;  // ends first although handed over last
    retired.ReleaseEnded();
    EXPECT_EQ(deleted, std::vector<std::string>{"second"});
    EXPECT_FALSE(key_left.expired()) << "the key goes with its own program only";

    first->ended = true;
    worker_alive = false;
    EXPECT_FALSE(retired.AnyRunning());
    EXPECT_EQ(deleted, (std::vector<std::string>{"second", "first"}));
    EXPECT_TRUE(key_left.expired());
    retired.ReleaseEnded();
    EXPECT_EQ(worker_releases, 1);
    EXPECT_EQ(deleted.size(), 2u);
}
