#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/OpensshServer.h"

// The fixture other tests and the benchmarks rely on: a real sshd that takes our client key.
TEST(OpensshServer, AcceptsTheTunnelKey) {
    const std::string key = std::string(TOLLIVANCE_KEY_DIR) + "/tunnel_key";
    OpensshServer sshd({key + ".pub"});
    const std::string command = "ssh -o BatchMode=yes -o StrictHostKeyChecking=no "
                                "-o UserKnownHostsFile=/dev/null -o LogLevel=ERROR -i " +
                                key + ".pem -p " + std::to_string(sshd.Port()) +
                                " 127.0.0.1 true";
    EXPECT_EQ(std::system(command.c_str()), 0);
}
