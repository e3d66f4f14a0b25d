#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/VersionNumber.h"

namespace {
// "major.minor.patch" as parsed, or "none".
std::string Parsed(const std::string& text) {
    const auto v = ParseVersionNumber(text);
    if (!v) return "none";
    return std::to_string(v->major) + "." + std::to_string(v->minor) + "." +
           std::to_string(v->patch);
}
}  // namespace

TEST(VersionNumber, ReadsTheLeadingThreeNumbersLikeFormattedInput) {
    struct Case {
        std::string text, expected;
    };
    const std::vector<Case> cases = {
        {"3.0.3", "3.0.3"},
        {"3.0.4\n", "3.0.4"},
        {"  3.0.4", "3.0.4"},
        {"\t\n3.1.0 beta", "3.1.0"},
        {"3. 0. 4", "3.0.4"},  // white space is skipped before each number
        {"+3.-1.+2", "3.-1.2"},
        {"10.20.30.40", "10.20.30"},
        {"007.08.09", "7.8.9"},
        {"3.0.4rc1", "3.0.4"},
        {std::string("3.0.4\0junk", 10), "3.0.4"},
        {"2147483647.0.0", "2147483647.0.0"},
        {"-2147483648.0.0", "-2147483648.0.0"},
        // Not three numbers.
        {"", "none"},
        {"4.0", "none"},
        {"4.0\n", "none"},
        {"4.0.", "none"},
        {"3 .0.4", "none"},  // a dot must follow the number directly
        {"3..4", "none"},
        {"v3.0.4", "none"},
        {"<html>3.0.4</html>", "none"},
        {"+.1.2", "none"},
        {std::string("3.0\0.4", 6), "none"},
        {"2147483648.0.0", "none"},  // does not fit
        {"99999999999999999999.0.0", "none"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parsed(c.text), c.expected) << "text \"" << c.text << "\"";
}

TEST(VersionNumber, NewerComparesMajorThenMinorThenPatch) {
    struct Case {
        std::string published;
        bool newer;
    };
    const std::vector<Case> cases = {
        {"3.0.3", false},  {"3.0.4", true},    {"3.1.0", true},   {"4.0.0", true},
        {"3.0.2", false},  {"2.9.9", false},   {"2.10.0", false}, {"  3.0.4", true},
        {"3.0.10", true},  {"3.0.3\n", false}, {"4.0", false},    {"", false},
        {"-4.0.0", false}, {"3.-1.9", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OffersNewerVersion(c.published, "3.0.3"), c.newer)
            << "published \"" << c.published << "\"";
    }
    // Without three numbers of our own nothing is newer either.
    EXPECT_FALSE(OffersNewerVersion("9.9.9", "3.0"));
}
