// An NX session through the real Linux adapters (X server and NX proxy) to the sandbox's agent.
#include <filesystem>

#include "ApplicationTest.h"
#include "support/EventPump.h"
#include "support/ScopedVariable.h"
#include "support/TestDeployment.h"
#include "support/XvfbDisplay.h"

namespace {
// What the NX proxy adapter left in the temporary folder: its options folders.
std::vector<std::string> OptionsFolders(const std::string& temp) {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(temp)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("nxproxy.", 0) == 0) found.push_back(name);
    }
    return found;
}

class NxDesktop : public ApplicationTest {};

TEST_F(NxDesktop, AnNxSessionShowsTheAgentsDesktopUntilDisconnect) {
    folder.UseAdapter("nxproxy/nxproxy");
    folder.UseAdapter("vcxsrv/vcxsrv");
    sandbox = std::make_unique<Sandbox>(
        SandboxOptions().WithHttps().WithSsh().WithDesktop().WithNx().WithScenario(
            Scenario({{"session", {{"protocol", "nx"}}}})));
    UseSandbox(*sandbox);
    StartApp();
    // The adapter's options go to the test's temporary folder.
    const ScopedVariable no_runtime_dir("XDG_RUNTIME_DIR", std::nullopt);

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE("session " + std::to_string(round));
        Connect();
        ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
        EXPECT_TRUE(
            PumpUntil([] { return WindowShown("Sandbox NX desktop"); }, std::chrono::seconds(30)))
            << "the NX desktop did not reach the display";
        EXPECT_EQ(OptionsFolders(temp.path()).size(), 1u);

        PressButton();
        ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
        EXPECT_TRUE(PumpUntil([] { return !WindowShown("Sandbox NX desktop"); }));
        EXPECT_TRUE(PumpUntil([&] { return OptionsFolders(temp.path()).empty(); },
                              std::chrono::seconds(10)))
            << "the NX options outlived the session";
    }
    EXPECT_TRUE(Messages().empty()) << testing::PrintToString(Messages());
}
}  // namespace
