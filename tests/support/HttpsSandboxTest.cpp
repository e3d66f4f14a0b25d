#include "support/HttpsSandboxTest.h"

#include "config/Deployment.h"

std::unique_ptr<Sandbox> HttpsSandboxTest::sandbox;

void HttpsSandboxTest::SetUpTestSuite() {
    SandboxOptions options;
    options.https = true;
    sandbox = std::make_unique<Sandbox>(options);
    SetTrustedCaBundle(sandbox->CaFile());
}

void HttpsSandboxTest::TearDownTestSuite() {
    sandbox.reset();
}
