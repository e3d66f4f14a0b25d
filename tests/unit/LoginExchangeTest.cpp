#include <curl/curl.h>
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "net/HttpsRequest.h"
#include "service/LoginExchange.h"
#include "service/RandomString.h"

namespace {
const char* const kProofOfAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// The form as the login thread builds it, escaping with a real libcurl handle.
std::string Form(const std::string& user, const std::string& password, const std::string& serial,
                 const std::string& salt) {
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(curl_easy_init(),
                                                               &curl_easy_cleanup);
    MirlNxLogin login;
    login.username = user;
    login.password = password;
    login.serial = serial;
    return LoginFormBody(login, salt, [&handle](const std::string& bytes) {
        return CurlEscape(handle.get(), bytes);
    });
}

// "host/ip/port" of the reply's server, or "error:<message>".
std::string Read(const std::string& body) {
    try {
        const MirlNxServer s = ReadLoginReply(body);
        return s.host + "/" + s.ip + "/" + std::to_string(s.port);
    } catch (const std::string& message) {
        return "error:" + message;
    }
}
}  // namespace

TEST(LoginForm, FieldsInOrderUserAsTypedPasswordEscaped) {
    struct Case {
        std::string user, password, serial, salt, expected;
    };
    const std::string proof = kProofOfAbc;  // the proof hashes serial followed by salt
    const std::vector<Case> cases = {
        {"a&b+c", "p&q+r", "a", "bc", "u=a&b+c&p=p%26q%2Br&s=bc&h=" + proof},
        {"ann", "", "a", "bc", "u=ann&p=&s=bc&h=" + proof},
        {"ann", "-._~ /%\xC3\xBC", "ab", "c", "u=ann&p=-._~%20%2F%25%C3%BC&s=c&h=" + proof},
        {"", "x", "", "abc", "u=&p=x&s=abc&h=" + proof},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Form(c.user, c.password, c.serial, c.salt), c.expected)
            << "user \"" << c.user << "\" password \"" << c.password << "\"";
    }
}

TEST(LoginForm, PasswordWithNulIsEscapedOverItsFullLength) {
    EXPECT_EQ(Form("u", std::string("a\0b", 3), "a", "bc"),
              std::string("u=u&p=a%00b&s=bc&h=") + kProofOfAbc);
}

TEST(RandomString, SaltsAreSixteenAlphabetCharactersAndVary) {
    const std::string alphabet = kRandomStringAlphabet;
    ASSERT_EQ(alphabet.size(), 62u);
    std::set<std::string> salts;
    std::set<char> used;
    for (int i = 0; i < 2000; ++i) {
        const std::string salt = RandomString(kLoginSaltLength);
        ASSERT_EQ(salt.size(), 16u);
        for (char c : salt) {
            ASSERT_NE(alphabet.find(c), std::string::npos) << "unexpected character in " << salt;
            used.insert(c);
        }
        salts.insert(salt);
    }
    EXPECT_EQ(salts.size(), 2000u);  // no repeats
    EXPECT_EQ(used.size(), 62u);     // every character is reachable
    EXPECT_EQ(RandomString(0), "");
}

TEST(RandomString, EachThreadDrawsItsOwnSequence) {
    std::vector<std::string> firsts(4);
    std::vector<std::thread> threads;
    for (auto& first : firsts) threads.emplace_back([&first] { first = RandomString(16); });
    for (auto& t : threads) t.join();
    EXPECT_EQ(std::set<std::string>(firsts.begin(), firsts.end()).size(), firsts.size());
}

TEST(LoginReply, ReadsTheServerOrFailsWithAMessage) {
    const std::string invalid = std::string("error:") + kInvalidLoginReply;
    struct Case {
        std::string body, expected;
    };
    const std::vector<Case> cases = {
        {R"({"host":"desk7","port":22})", "desk7/desk7/22"},
        {R"({"host":"desk7","port":"2222"})", "desk7/desk7/2222"},
        {R"({"host":"desk7","port":22,"ip":"192.0.2.7","extra":[1]})", "desk7/192.0.2.7/22"},
        {R"({"port":22,"host":"desk7"})", "desk7/desk7/22"},
        {R"({"host":"h","port":65558})", "h/h/22"},  // only the low 16 bits
        {R"({"host":"h","port":"65536"})", "h/h/0"},
        {std::string("{\"host\":\"h\",\"port\":22}\0garbage", 31), "h/h/22"},  // text ends at NUL
        // Not an object with both members: the whole body is the message.
        {"[]", "error:[]"},
        {R"({"host":"desk7"})", R"(error:{"host":"desk7"})"},
        {R"({"port":22})", R"(error:{"port":22})"},
        {"null", "error:null"},
        {"\"desk7\"", "error:\"desk7\""},
        // Not JSON, or members of the wrong type.
        {"", invalid},
        {"<html><body>Bad gateway</body></html>", invalid},
        {R"({"host":"h","port":22)", invalid},
        {R"({"host":"h","port":-1})", invalid},
        {R"({"host":"h","port":22.5})", invalid},
        {R"({"host":"h","port":"22a"})", invalid},
        {R"({"host":"h","port":" 22"})", invalid},
        {R"({"host":"h","port":""})", invalid},
        {R"({"host":"h","port":"99999999999999999999999"})", invalid},
        {R"({"host":"h","port":true})", invalid},
        {R"({"host":7,"port":22})", invalid},
        {R"({"host":"h","port":22,"ip":null})", invalid},
        // Host and address reach ssh's command line and the session's URLs.
        {R"({"host":"desk7.example.com","port":22,"ip":"2001:db8::7"})",
         "desk7.example.com/2001:db8::7/22"},
        {R"({"host":"-oProxyCommand=touch /tmp/x","port":22})",
         std::string("error:") + kInvalidServerHost},
        // The host is looked at only where ssh gets it (not over the web-socket proxy).
        {R"({"host":"127.0.0.1 -oProxyCommand=x","port":22,"ip":"127.0.0.1"})",
         "127.0.0.1 -oProxyCommand=x/127.0.0.1/22"},
        {R"({"host":"desk_top.example.","port":22})", "desk_top.example./desk_top.example./22"},
        {R"({"host":"desk7","port":22,"ip":"10.0.0.1/../../x"})",
         std::string("error:") + kInvalidServerAddress},
        {R"({"host":"desk7","port":22,"ip":""})", std::string("error:") + kInvalidServerAddress},
    };
    for (const auto& c : cases) EXPECT_EQ(Read(c.body), c.expected) << "reply " << c.body;
}

TEST(LoginReply, TheBodyAsMessageIsShortened) {
    const std::string body = "\"" + std::string(1 << 20, 'a') + "\"";
    const std::string message = Read(body);
    EXPECT_EQ(message, "error:" + body.substr(0, 500) + "...");
}
