#include <gtest/gtest.h>

#include "records/Records.h"
#include "service/Sha256Hex.h"

TEST(Sha256Hex, MatchesKnownDigests) {
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex(std::string("\0\xff", 2)).size(), 64u);
}

TEST(Records, SessionDefaults) {
    MirlNxSession session;
    EXPECT_EQ(session.protocol, "nx");
    EXPECT_EQ(session.settings, (ViewerSettings{40, 9, 2}));
    EXPECT_EQ(session.ftp, DriveEndpoint{});
    EXPECT_EQ(session.ftp.port, 0);
    EXPECT_FALSE(session.tunnel_mode);
    EXPECT_FALSE(session.websock);
}
