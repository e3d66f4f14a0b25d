#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printing/SettleWatch.h"

namespace {
std::vector<std::string> Names(const std::vector<QueueEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.name);
    return names;
}
}  // namespace

// Each row is one listing; a document is settled when the listing before read it the same.
TEST(SettleWatch, DocumentsSettleOnTwoEqualReadingsInARow) {
    struct Step {
        std::vector<QueueEntry> listing;
        std::vector<std::string> settled;
        std::vector<std::string> new_names;
        bool waiting;
    };
    const std::vector<Step> steps = {
        {{{"a", {10, 1}}, {"b", {0, 1}}}, {}, {"a", "b"}, true},
        {{{"a", {10, 1}}, {"b", {5, 2}}}, {"a"}, {}, true},        // b still growing
        {{{"a", {10, 1}}, {"b", {5, 2}}}, {"a", "b"}, {}, false},  // a kept by the server
        {{{"b", {5, 3}}, {"c", {1, 3}}}, {}, {"c"}, true},         // b rewritten, c new
        {{{"b", {5, 3}}, {"c", {1, 3}}}, {"b", "c"}, {}, false},
        {{}, {}, {}, false},
        {{{"a", {10, 1}}}, {}, {"a"}, true},  // back after a gap: new
    };
    SettleWatch watch;
    for (size_t i = 0; i < steps.size(); ++i) {
        const SettleWatch::Result result = watch.Take(steps[i].listing);
        EXPECT_EQ(Names(result.settled), steps[i].settled) << "listing " << i;
        EXPECT_EQ(result.new_names, steps[i].new_names) << "listing " << i;
        EXPECT_EQ(result.waiting, steps[i].waiting) << "listing " << i;
    }
}

TEST(SettleWatch, UnsettledDocumentNeedsTwoReadingsAgain) {
    SettleWatch watch;
    watch.Take({{"a", {10, 1}}});
    EXPECT_EQ(watch.Take({{"a", {10, 1}}}).settled.size(), 1u);
    watch.Unsettle("a");  // what was opened differed from the listing
    EXPECT_TRUE(watch.Take({{"a", {10, 1}}}).settled.empty());
    EXPECT_EQ(watch.Take({{"a", {10, 1}}}).settled.size(), 1u);
}

// A server can name new documents for ever: what the queue remembers of them stays bounded.
TEST(QueueMemory, ForgetsOneOnceFullSoItStaysBounded) {
    QueueMemory memory;
    const auto key = [](std::size_t i) { return "k" + std::to_string(100000 + i); };
    for (std::size_t i = 0; i <= QueueMemory::kMaxDocuments; ++i) {
        ASSERT_TRUE(memory.Remember(key(i), {1, 1}));
    }
    EXPECT_FALSE(memory.Holds(key(0), {1, 1}));
    EXPECT_TRUE(memory.Holds(key(QueueMemory::kMaxDocuments), {1, 1}));
    EXPECT_TRUE(memory.Holds(key(1), {1, 1}));
}
