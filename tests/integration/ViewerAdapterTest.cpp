// The Linux VNC viewer adapter on its own, in front of a loopback port.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/LoopbackPorts.h"
#include "support/OtherUser.h"
#include "support/TempDir.h"

namespace {
using namespace std::chrono_literals;

const std::string kAdapter =
    std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux/turbovnc/turbovnc-client-go";

// Whoever listens on the viewer's port gets the desktop's password: another user's listener
// is named, and no viewer starts.
TEST(ViewerAdapter, APortTakenByAnotherUserIsNamedAndNoViewerStarts) {
    OtherUser other;
    const int port = ClosedLoopbackPort();
    const auto squatter = other.Listen(port);
    TempDir dir;
    ChildProcess adapter({kAdapter, "-compression", "9", "-quality", "40", "-subsample", "2",
                          "127.0.0.1:" + std::to_string(port)},
                         {"TOLLIVANCE_VNC_COOKIE=c00kie"}, dir.File("stderr"));
    EXPECT_EQ(adapter.WaitForExit(10s), 1);
    EXPECT_EQ(ReadWholeFile(dir.File("stderr")),
              "Port " + std::to_string(port) +
                  " on this computer is taken by another user; the desktop is not shown\n");
}
}  // namespace
