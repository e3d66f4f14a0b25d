#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/LibSshLogin.h"
#include "support/OpensshServer.h"

// The fixture other tests and the benchmarks rely on: a real sshd that takes our client key.
TEST(OpensshServer, AcceptsTheTunnelKey) {
    OpensshServer sshd({BuildPublicKeyFile("tunnel_key")});
    const std::string command =
        "ssh -o BatchMode=yes -o StrictHostKeyChecking=no "
        "-o UserKnownHostsFile=/dev/null -o LogLevel=ERROR -i " +
        BuildKeyFile("tunnel_key") + " -p " + std::to_string(sshd.Port()) + " 127.0.0.1 true";
    EXPECT_EQ(std::system(command.c_str()), 0);
}
