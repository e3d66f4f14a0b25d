#pragma once

// Header only, so every test main takes it without another source file.
#include <gtest/gtest.h>

// gtest reports the tests of a suite whose set-up failed (a peer program that would not start,
// say) as skipped, and CTest counts them as skipped. Called after InitGoogleTest, this makes
// each of them fail instead, naming the cause; skips stay for what a test skips itself.
inline void FailTestsOfAFailedSuiteSetUp() {
    class Listener : public testing::EmptyTestEventListener {
        // Called for a test about to be skipped too, with the test current: a failure reported
        // now is its own.
        void OnTestStart(const testing::TestInfo&) override {
            const testing::TestSuite* suite =
                testing::UnitTest::GetInstance()->current_test_suite();
            if (suite != nullptr && suite->ad_hoc_test_result().Failed()) {
                ADD_FAILURE() << "the suite's set-up failed (see above), so this test cannot run";
            }
        }
    };
    testing::UnitTest::GetInstance()->listeners().Append(new Listener);
}
