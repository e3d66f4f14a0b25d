#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "support/Sandbox.h"

// A test suite that shares one sandbox serving its HTTPS side, whose CA the verified requests
// trust.
class HttpsSandboxTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    static std::unique_ptr<Sandbox> sandbox;
};
