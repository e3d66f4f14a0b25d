#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "session/SessionDocuments.h"

namespace {

MirlNxLogin Login() {
    MirlNxLogin login;
    login.username = "alice";
    login.protocol = "vnc";
    return login;
}

// The message a reply read throws, or "" when it succeeds.
std::string Failure(const std::string& reply,
                    const std::optional<std::string>& websock_ip = std::nullopt) {
    try {
        ReadSessionReply(reply, Login(), websock_ip);
    } catch (const std::string& message) {
        return message;
    }
    return "";
}

TEST(SessionReply, DefaultsWhenOnlyTheSessionIsGiven) {
    const MirlNxSession session = ReadSessionReply(
        R"({"session":{"host":"desk.example","port":5901,"cookie":"K"}})", Login(), std::nullopt);
    MirlNxSession expected;
    expected.host = "desk.example";
    expected.port = 5901;
    expected.cookie = "K";
    expected.login = Login();
    EXPECT_EQ(session, expected);
    EXPECT_EQ(session.protocol, "nx");
    EXPECT_EQ(session.settings, (ViewerSettings{40, 9, 2}));
    EXPECT_EQ(session.ftp.port, 0);
    EXPECT_EQ(session.webdav.port, 0);
    EXPECT_FALSE(session.tunnel_mode);
}

TEST(SessionReply, ReadsEveryMember) {
    const MirlNxSession session = ReadSessionReply(
        R"({"session":{"host":"h","port":5901,"cookie":"c"},"tunnel_mode":true,"protocol":"vnc",)"
        R"("ftp":{"host":"f","port":21,"salt":"s1"},"webdav":{"host":"w","port":"8080","salt":"s2"},)"
        R"("settings":{"quality":95,"compression":"1","subsample":0},"extra":[1,2]})",
        Login(), std::nullopt);
    EXPECT_TRUE(session.tunnel_mode);
    EXPECT_EQ(session.protocol, "vnc");
    EXPECT_EQ(session.ftp, (DriveEndpoint{"f", 21, "s1"}));
    EXPECT_EQ(session.webdav, (DriveEndpoint{"w", 8080, "s2"}));
    EXPECT_EQ(session.settings, (ViewerSettings{95, 1, 0}));
    EXPECT_FALSE(session.websock);
}

TEST(SessionReply, Conversions) {
    struct Case {
        const char* session_members;  // inside "session", after host
        std::uint16_t port;
        const char* cookie;
    };
    const Case cases[] = {
        {R"("port":70000,"cookie":"c")", 4464, "c"},  // low 16 bits
        {R"("port":65536,"cookie":"c")", 0, "c"},
        {R"("port":"5901","cookie":"c")", 5901, "c"},  // a string holding a number
        {R"("port":5901.9,"cookie":"c")", 5901, "c"},
        {R"("port":5901,"cookie":12)", 5901, "12"},  // text from a number
        {R"("port":5901,"cookie":[true])", 5901, "[true]"},
        {R"("port":5901,"cookie":"\u0041/=")", 5901, "A/="},
    };
    for (const Case& c : cases) {
        const std::string reply =
            std::string(R"({"session":{"host":"h",)") + c.session_members + "}}";
        const MirlNxSession session = ReadSessionReply(reply, Login(), std::nullopt);
        EXPECT_EQ(session.port, c.port) << reply;
        EXPECT_EQ(session.cookie, c.cookie) << reply;
    }
}

TEST(SessionReply, BooleansFromNumbersAndSettingsTruncatedTo32Bits) {
    struct Case {
        const char* tunnel_mode;
        bool expected;
    };
    const Case cases[] = {{"1", true},    {"0", false},   {"-3", true},
                          {"0.0", false}, {"true", true}, {"false", false}};
    for (const Case& c : cases) {
        const std::string reply =
            std::string(R"({"session":{"host":"h","port":1,"cookie":"c"},"tunnel_mode":)") +
            c.tunnel_mode + "}";
        EXPECT_EQ(ReadSessionReply(reply, Login(), std::nullopt).tunnel_mode, c.expected) << reply;
    }
    const MirlNxSession session = ReadSessionReply(
        R"({"session":{"host":"h","port":1,"cookie":"c"},)"
        R"("settings":{"quality":4294967297,"compression":-1,"subsample":2147483648}})",
        Login(), std::nullopt);
    EXPECT_EQ(session.settings, (ViewerSettings{1, -1, -2147483647 - 1}));
}

TEST(SessionReply, FailuresCarryTheErrText) {
    struct Case {
        const char* reply;
        const char* message;
    };
    const Case cases[] = {
        {R"({"err":"Your session could not be started"})", "Your session could not be started"},
        {R"({"err":"  keep \"as is\"  "})", "  keep \"as is\"  "},
        {R"({"err":42})", "42"},
        // "ftp" is optional, but when present it needs all three members
        {R"({"session":{"host":"h","port":1,"cookie":"c"},"ftp":{"host":"f","port":21},"err":"E"})",
         "E"},
        {R"({"session":{"host":"h","port":-1,"cookie":"c"},"err":"E"})", "E"},
        {R"({"session":{"host":"h","port":"59x","cookie":"c"},"err":"E"})", "E"},
        {R"({"session":{"host":"h","port":" 5901","cookie":"c"},"err":"E"})", "E"},
        {R"({"session":{"host":"h","port":1,"cookie":"c"},"tunnel_mode":"yes","err":"E"})", "E"},
        {R"({"session":{"host":"h","port":1,"cookie":"c"},"settings":{"quality":1},"err":"E"})",
         "E"},
        {R"({"session":{"port":1,"cookie":"c"},"err":"no host"})", "no host"},
        {R"({"session":[1],"err":"E"})", "E"},
        // no usable "err": still a clear message
        {R"({"session":{"host":"h","port":1}})", kMalformedSessionReply},
        {R"({"err":""})", kMalformedSessionReply},
        {R"({"err":"\u007f\u007f\u202e"})", kMalformedSessionReply},
        {R"([1,2])", kMalformedSessionReply},
        {R"("text")", kMalformedSessionReply},
        {"null", kMalformedSessionReply},
    };
    for (const Case& c : cases) EXPECT_EQ(Failure(c.reply), c.message) << c.reply;
}

TEST(SessionReply, FieldsThatCouldActOnACommandLineAreRefused) {
    const std::string invalid = "The session service sent an invalid ";
    const auto reply = [](const std::string& host, const std::string& cookie,
                          const std::string& root) {
        return R"({"session":{"host":)" + host + R"(,"port":5901,"cookie":)" + cookie + "}" + root +
               "}";
    };
    const auto drive = [](const char* name, const std::string& host, int port,
                          const std::string& salt) {
        return std::string(",\"") + name + R"(":{"host":)" + host +
               ",\"port\":" + std::to_string(port) + R"(,"salt":)" + salt + "}";
    };
    const std::string tunnel = R"(,"tunnel_mode":true)";
    struct Case {
        std::string reply, message;
    };
    const std::vector<Case> cases = {
        {reply(R"("desk7.example")", R"("K-1_x=+/")", ""), ""},
        {reply(R"("::1")", R"("K")", drive("ftp", R"("10.1.2.3")", 21, R"("")")), ""},
        // a drive without a port is never used, whatever it holds
        {reply(R"("h")", R"("K")", drive("webdav", R"("-oX")", 0, R"("a b")")), ""},
        // nor is one outside tunnel mode; salts are only hashed
        {reply(R"("h")", R"("K")", drive("ftp", R"("f -oProxyCommand=x")", 21, R"("s 2'")")), ""},
        {reply(R"("h")", R"("K")", tunnel + drive("ftp", R"("f")", 21, R"("s \"2\\ ,")")), ""},
        // underscores and the root's trailing dot; blanks, quotes and backslashes in one argument
        {reply(R"("desk_top.example.")", R"("K 1\"'\\")", ""), ""},
        {reply(R"("h")", R"("\u00e9")", ""), ""},
        {reply(R"("h")", R"("k,x")", R"(,"protocol":"vnc")"), ""},  // NX options only
        {reply(R"("127.0.0.1 -oProxyCommand=x")", R"("K")", ""), invalid + "session host"},
        {reply(R"("-oProxyCommand=x")", R"("K")", ""), invalid + "session host"},
        {reply(R"("h;reboot")", R"("K")", ""), invalid + "session host"},
        {reply(R"("desk.example..")", R"("K")", ""), invalid + "session host"},
        {reply(R"("")", R"("K")", ""), invalid + "session host"},
        {reply(R"("h")", R"("-via")", ""), invalid + "session cookie"},
        {reply(R"("h")", R"("-via")", R"(,"protocol":"vnc")"), invalid + "session cookie"},
        {reply(R"("h")", R"("k,connect=10.0.0.9:22")", ""), invalid + "session cookie"},
        {reply(R"("h")", R"("k\tx")", ""), invalid + "session cookie"},
        {reply(R"("h")", R"("k\u0000x")", ""), invalid + "session cookie"},
        {reply(R"("h")", R"({"a":[true,null]})", ""), invalid + "session cookie"},
        {reply(R"("h")", R"("")", ""), invalid + "session cookie"},
        {reply(R"("h")", R"("K")", tunnel + drive("ftp", R"("f -oProxyCommand=x")", 21, R"("s")")),
         invalid + "FTP host"},
        {reply(R"("h")", R"("K")",
               tunnel + drive("webdav", R"("127.0.0.1 -oProxyCommand=x")", 80, R"("s")")),
         invalid + "WebDAV host"},
    };
    for (const Case& c : cases) EXPECT_EQ(Failure(c.reply), c.message) << c.reply;
    // The websocket session's host is the login's server address.
    EXPECT_EQ(Failure(R"({"session":{"port":5901,"cookie":"K"},"websock":true})", "10.0.0.1 -x"),
              invalid + "session host");
}

TEST(SessionReply, ServiceTextsAreShortened) {
    const std::string err = R"({"err":")" + std::string(100000, 'e') + "\"}";
    EXPECT_EQ(Failure(err), std::string(500, 'e') + "...");
    const std::string message = Failure(R"({"session":")" + std::string(100000, 'x'));
    EXPECT_EQ(message.rfind("Decode error ", 0), 0u);
    EXPECT_LE(message.size(), 503u);
}

TEST(SessionReply, TextThatIsNotJsonIsADecodeError) {
    const std::string replies[] = {"", "not json", R"({"session":)", "{\"a\":1}}",
                                   std::string(200, '[')};
    for (const std::string& reply : replies) {
        const std::string message = Failure(reply);
        EXPECT_EQ(message.rfind("Decode error ", 0), 0u) << reply << " -> " << message;
        EXPECT_GT(message.size(), std::string("Decode error ").size()) << reply;
    }
}

TEST(SessionReply, WebsockVariant) {
    const std::optional<std::string> ip = std::string("10.1.2.3");
    // websock true: the host is the server's address and "session"->"host" is not needed
    const MirlNxSession proxied =
        ReadSessionReply(R"({"session":{"port":5901,"cookie":"c"},"websock":1})", Login(), ip);
    EXPECT_TRUE(proxied.websock);
    EXPECT_EQ(proxied.host, "10.1.2.3");

    const MirlNxSession direct = ReadSessionReply(
        R"({"session":{"host":"h","port":5901,"cookie":"c"},"websock":false})", Login(), ip);
    EXPECT_FALSE(direct.websock);
    EXPECT_EQ(direct.host, "h");

    EXPECT_EQ(Failure(R"({"session":{"port":5901,"cookie":"c"},"err":"E"})", ip), "E");
    // the other variants never read "websock"
    const MirlNxSession other =
        ReadSessionReply(R"({"session":{"host":"h","port":5901,"cookie":"c"},"websock":true})",
                         Login(), std::nullopt);
    EXPECT_FALSE(other.websock);
    EXPECT_EQ(other.host, "h");
}

}  // namespace
