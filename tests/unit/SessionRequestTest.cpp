#include <gtest/gtest.h>

#include <string>

#include "session/SessionDocuments.h"

namespace {

MirlNxLogin BareLogin() {
    MirlNxLogin login;
    login.username = "alice";
    login.password = "secret";
    login.protocol = "vnc";
    login.link = "wan";
    login.depth = 24;
    return login;
}

TEST(SessionRequest, OptionalStringsEmptyAreLeftOutAndTheRestIsSorted) {
    EXPECT_EQ(BuildSessionRequest(BareLogin(), DesktopRoute::Plain),
              R"({"display":{"depth":24},"enable_ftp":0,"enable_webdav":0,"link":"wan",)"
              R"("password":"secret","protocol":"vnc","tunnel_mode":0,"username":"alice"})");
}

TEST(SessionRequest, AllMembersInAscendingByteOrder) {
    MirlNxLogin login = BareLogin();
    login.serial = "ab12";
    login.client_version = "tollivance-desktop-client-linux-v3.0.3";
    login.printing = "p";
    login.branding = "tollivance";
    login.depth = -8;
    EXPECT_EQ(
        BuildSessionRequest(login, DesktopRoute::Websock),
        R"({"branding":"tollivance","client_version":"tollivance-desktop-client-linux-v3.0.3",)"
        R"("display":{"depth":-8},"enable_ftp":0,"enable_webdav":0,"link":"wan",)"
        R"("password":"secret","printing":"p","protocol":"vnc","serial":"ab12",)"
        R"("tunnel_mode":0,"username":"alice","websock":true})");
}

TEST(SessionRequest, FlagsAreTheIntegersOneAndZero) {
    struct Case {
        bool tunnel_mode, ftp, webdav;
        const char* expected;
    };
    const Case cases[] = {
        {true, false, false, R"("enable_ftp":0,"enable_webdav":0,"link":"wan")"},
        {false, true, false, R"("enable_ftp":1,"enable_webdav":0,"link":"wan")"},
        {false, false, true, R"("enable_ftp":0,"enable_webdav":1,"link":"wan")"},
    };
    for (const Case& c : cases) {
        MirlNxLogin login = BareLogin();
        login.tunnel_mode = c.tunnel_mode;
        login.enable_ftp = c.ftp;
        login.enable_webdav = c.webdav;
        const std::string request = BuildSessionRequest(login, DesktopRoute::Plain);
        EXPECT_NE(request.find(c.expected), std::string::npos) << request;
        EXPECT_NE(request.find(c.tunnel_mode ? R"("tunnel_mode":1,)" : R"("tunnel_mode":0,)"),
                  std::string::npos)
            << request;
        EXPECT_EQ(request.find("true"), std::string::npos) << request;
    }
}

TEST(SessionRequest, WebsockIsTheOnlyBooleanAndOnlyForThatVariant) {
    const std::string plain = BuildSessionRequest(BareLogin(), DesktopRoute::Plain);
    const std::string websock = BuildSessionRequest(BareLogin(), DesktopRoute::Websock);
    EXPECT_EQ(plain.find("websock"), std::string::npos);
    EXPECT_EQ(websock, plain.substr(0, plain.size() - 1) + R"(,"websock":true})");
}

TEST(SessionRequest, EscapesEveryClassExactly) {
    struct Case {
        std::string raw;
        std::string quoted;
    };
    const Case cases[] = {
        {"plain", R"("plain")"},
        {"q\"b\\", R"("q\"b\\")"},
        {"\b\f\n\r\t", R"("\b\f\n\r\t")"},
        {std::string("\0\x01\x1f", 3), R"("\u0000\u0001\u001F")"},
        {"\x0b\x1a\x1b", R"("\u000B\u001A\u001B")"},
        {"\x7f", R"("\u007F")"},
        {"a/b", R"("a/b")"},
        {"\xc3\xa9\xff\x80", "\"\xc3\xa9\xff\x80\""},  // non-ASCII and invalid UTF-8 unchanged
        {" ~", R"(" ~")"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(QuoteJsonString(c.raw), c.quoted);
        MirlNxLogin login = BareLogin();
        login.password = c.raw;
        EXPECT_NE(
            BuildSessionRequest(login, DesktopRoute::Plain).find(R"("password":)" + c.quoted + ","),
            std::string::npos);
    }
}

}  // namespace
