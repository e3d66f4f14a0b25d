#include <curl/curl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Deployment.h"
#include "platform/MachineIdentity.h"
#include "records/Events.h"
#include "service/LoginExchange.h"
#include "service/RandomString.h"
#include "service/Sha256Hex.h"
#include "service/StormwellLoginThread.h"
#include "service/StormwellServerLookup.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/HttpsSandboxTest.h"
#include "support/LoopbackPorts.h"
#include "support/SampleRecords.h"
#include "support/Sandbox.h"
#include "support/WatchedThread.h"

namespace {
const std::string kSerial = Sha256Hex("5b1f3c2e-test-machine-guid");

// "success:host/ip/port" or "failure:<message>", for readable comparisons.
std::string Describe(const EventRecorder& sink) {
    std::string out;
    for (const auto& e : sink.events()) {
        if (!out.empty()) out += " | ";
        if (e.type == EVT_LOGIN_SUCCESS) {
            const auto server = e.As<LoginResult>().first;
            out += "success:" + server.host + "/" + server.ip + "/" + std::to_string(server.port);
        } else {
            out += std::string(EventRecorder::Name(e.type)) + ":" + EventRecorder::Text(e);
        }
    }
    return out;
}

class LoginThreadTest : public HttpsSandboxTest {
  protected:
    void SetUp() override { Scenario(nlohmann::json::object()); }

    // The test machine's serial is always registered, whatever else the scenario says.
    static void Scenario(nlohmann::json scenario) {
        scenario["serials"] = {kSerial};
        sandbox->SetScenario(scenario);
    }
    static std::string Url() { return sandbox->BaseUrl() + "/session/start/"; }

    // Runs one login thread to its end and describes what it queued.
    static std::string RunLogin(const MirlNxLogin& login, const std::string& url = Url()) {
        EventRecorder sink;
        const auto ended = RunWatched<StormwellLoginThread>(&sink, url, login);
        EXPECT_TRUE(WaitForThreadEnd(ended)) << "login thread did not end";
        return Describe(sink);
    }
};
}  // namespace

TEST_F(LoginThreadTest, ProofAcceptedBySandboxYieldsTheServer) {
    Scenario({{"server", {{"host", "desk7"}, {"port", 2222}, {"ip", "192.0.2.7"}}}});
    EventRecorder sink;
    const MirlNxLogin login = SampleLogin("demo", "demo", "wan", kSerial);
    const auto ended = RunWatched<StormwellLoginThread>(&sink, Url(), login);
    ASSERT_TRUE(WaitForThreadEnd(ended));

    ASSERT_EQ(Describe(sink), "success:desk7/192.0.2.7/2222");
    EXPECT_EQ(sink.events()[0].As<LoginResult>().second, login);

    // What went out: the form in order, a fresh 16-character salt, the proof over serial + salt.
    const auto requests = sandbox->HttpsRequests();
    ASSERT_FALSE(requests.empty());
    const std::string body = requests.back()["body"];
    const std::string prefix = "u=demo&p=demo&s=";
    ASSERT_EQ(body.size(), prefix.size() + 16 + 3 + 64) << body;
    EXPECT_EQ(body.substr(0, prefix.size()), prefix);
    const std::string salt = body.substr(prefix.size(), 16);
    EXPECT_EQ(salt.find_first_not_of(kRandomStringAlphabet), std::string::npos) << salt;
    EXPECT_EQ(body.substr(prefix.size() + 16), "&h=" + Sha256Hex(kSerial + salt));
}

TEST_F(LoginThreadTest, SandboxAcceptsThisMachinesOwnSerial) {
    const std::string machine = ReadMachineIdText();
    if (machine.empty()) GTEST_SKIP() << "this machine has no machine id";
    sandbox->SetScenario(nlohmann::json::object());  // no extra serials
    EXPECT_EQ(RunLogin(SampleLogin("demo", "demo", "wan", Sha256Hex(machine))),
              "success:127.0.0.1/127.0.0.1/22");
}

TEST_F(LoginThreadTest, RefusalsGiveTheirMessages) {
    Scenario({{"accounts", {{"frozen", {{"password", "pw"}, {"suspended", true}}}}}});
    struct Case {
        MirlNxLogin login;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {SampleLogin("demo", "wrong", "wan", kSerial),
         "EVT_LOGIN_FAILURE:User name or password incorrect"},
        {SampleLogin("frozen", "pw", "wan", kSerial),
         "EVT_LOGIN_FAILURE:Your account has been suspended,\nplease contact support"},
        {SampleLogin("demo", "demo", "wan", Sha256Hex("another machine")),
         "EVT_LOGIN_FAILURE:Invalid serial number"},
    };
    for (const auto& c : cases) EXPECT_EQ(RunLogin(c.login), c.expected) << c.login.username;
}

TEST_F(LoginThreadTest, UserGoesOutAsTypedAndPasswordEscaped) {
    EXPECT_EQ(RunLogin(SampleLogin("a&b+c", "p&q+r", "wan", kSerial)),
              "EVT_LOGIN_FAILURE:User name or password incorrect");
    const std::string body = sandbox->HttpsRequests().back()["body"];
    EXPECT_EQ(body.substr(0, body.find("&s=")), "u=a&b+c&p=p%26q%2Br");

    RunLogin(SampleLogin("demo", "", "wan", kSerial));
    const std::string empty = sandbox->HttpsRequests().back()["body"];
    EXPECT_EQ(empty.substr(0, empty.find("&s=") + 3), "u=demo&p=&s=");
}

TEST_F(LoginThreadTest, UnusableRepliesStillEndInFailure) {
    struct Case {
        std::string body;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"{\"host\":\"desk7\",\"port\":22}", "success:desk7/desk7/22"},
        {"{\"host\":\"desk7\",\"port\":\"2222\"}", "success:desk7/desk7/2222"},
        {"[]", "EVT_LOGIN_FAILURE:[]"},
        {"{\"host\":\"desk7\"}", "EVT_LOGIN_FAILURE:{\"host\":\"desk7\"}"},
        {"<html>Service unavailable</html>",
         std::string("EVT_LOGIN_FAILURE:") + kInvalidLoginReply},
        {"", std::string("EVT_LOGIN_FAILURE:") + kInvalidLoginReply},
        {"{\"host\":\"desk7\",\"port\":\"ssh\"}",
         std::string("EVT_LOGIN_FAILURE:") + kInvalidLoginReply},
    };
    for (const auto& c : cases) {
        Scenario({{"login", {{"status", 200}, {"body", c.body}}}});
        EXPECT_EQ(RunLogin(SampleLogin("demo", "demo", "wan", kSerial)), c.expected) << c.body;
    }
}

TEST_F(LoginThreadTest, StatusWinsOverTheBody) {
    Scenario({{"login", {{"status", 423}, {"body", "{\"host\":\"desk7\",\"port\":22}"}}}});
    EXPECT_EQ(RunLogin(SampleLogin("demo", "demo", "wan", kSerial)),
              "EVT_LOGIN_FAILURE:Invalid serial number");
    Scenario({{"login", {{"status", 500}}}});
    EXPECT_EQ(RunLogin(SampleLogin("demo", "demo", "wan", kSerial)),
              "EVT_LOGIN_FAILURE:An error has occurred");
}

TEST_F(LoginThreadTest, RedirectKeepingThePostReachesTheEndpoint) {
    Scenario({{"login", {{"redirects", 2}, {"redirect_status", 307}}}});
    EXPECT_EQ(RunLogin(SampleLogin("demo", "demo", "wan", kSerial)),
              "success:127.0.0.1/127.0.0.1/22");
}

TEST_F(LoginThreadTest, TransportFailuresGiveLibcurlsText) {
    const std::string closed =
        "https://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/session/start/";
    EXPECT_EQ(RunLogin(SampleLogin("demo", "demo", "wan", kSerial), closed),
              std::string("EVT_LOGIN_FAILURE:") + curl_easy_strerror(CURLE_COULDNT_CONNECT));
    const std::string untrusted =
        "https://127.0.0.1:" + std::to_string(sandbox->Port("https_untrusted")) + "/session/start/";
    EXPECT_EQ(
        RunLogin(SampleLogin("demo", "demo", "wan", kSerial), untrusted),
        std::string("EVT_LOGIN_FAILURE:") + curl_easy_strerror(CURLE_PEER_FAILED_VERIFICATION));
}

TEST_F(LoginThreadTest, LookupMayEndWhileItsThreadRuns) {
    EventRecorder sink;
    {
        MirlNxLogin login = SampleLogin("demo", "demo", "wan", kSerial);
        StormwellServerLookup lookup(Url());
        wxThread* thread = lookup.CreateLoginThread(&sink, login);
        ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
        login.username = "changed after the start";
    }
    ASSERT_NE(sink.WaitFor(EVT_LOGIN_SUCCESS), nullptr);
    EXPECT_EQ(sink.Of(EVT_LOGIN_SUCCESS)[0].As<LoginResult>().second.username, "demo");
    PumpFor(std::chrono::milliseconds(300));  // let the detached thread finish deleting itself
    EXPECT_EQ(sink.events().size(), 1u);
}
