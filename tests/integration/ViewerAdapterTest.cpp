// The Linux VNC viewer adapter on its own, in front of a loopback port.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
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

// Whoever listens on the viewer's port gets the desktop's password: unless the user's own
// process is proven to listen there, the adapter says why and no viewer starts.
TEST(ViewerAdapter, AListenerNotProvenTheUsersOwnIsNamedAndNoViewerStarts) {
    OtherUser other;
    const int port = ClosedLoopbackPort();
    const std::string where = "port " + std::to_string(port);
    const std::vector<std::string> adapter = {
        kAdapter, "-compression", "9", "-quality",
        "40",     "-subsample",   "2", "127.0.0.1:" + std::to_string(port)};
    // The socket table hidden: a /proc of its own, empty.
    std::vector<std::string> hidden_table = {"unshare", "-m", "sh", "-c",
                                             "mount -t tmpfs none /proc && exec \"$0\" \"$@\""};
    hidden_table.insert(hidden_table.end(), adapter.begin(), adapter.end());
    struct Case {
        const char* name;
        bool squatter;
        std::vector<std::string> argv;
        std::string line;
    } cases[] = {
        {"another user listens", true, adapter,
         "Port " + std::to_string(port) + " on this computer is taken by another user"},
        {"the socket table cannot be read", false, hidden_table,
         "Cannot tell who listens on " + where + ": /proc/net/tcp cannot be read"},
        {"nobody listens", false, adapter, "Nothing listens on " + where + " after 20 seconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto squatter = c.squatter ? other.Listen(port) : nullptr;
        TempDir dir;
        ChildProcess viewer(c.argv, {"TOLLIVANCE_VNC_COOKIE=c00kie"}, dir.File("stderr"));
        EXPECT_EQ(viewer.WaitForExit(30s), 1);
        EXPECT_EQ(ReadWholeFile(dir.File("stderr")), c.line + "; the desktop is not shown\n");
    }
}
}  // namespace
