#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "config/Deployment.h"
#include "net/HttpsRequest.h"
#include "support/HttpsSandboxTest.h"
#include "support/LoopbackPorts.h"
#include "support/Sandbox.h"
#include "support/TcpPeer.h"

namespace {
// What a request came to: "body:<text>" or "error:<message>", so a table prints both sides.
template <typename Request>
std::string Outcome(Request&& request) {
    try {
        return "body:" + request();
    } catch (const std::string& message) {
        return "error:" + message;
    }
}

std::string Error(CURLcode code) {
    return std::string("error:") + curl_easy_strerror(code);
}

class HttpsRequestTest : public HttpsSandboxTest {
  protected:
    void SetUp() override { sandbox->SetScenario(nlohmann::json::object()); }

    // Every reply of the path /probe/ shaped by spec (status, body, redirects, hang, drip_ms).
    static void Probe(const nlohmann::json& spec) {
        sandbox->SetScenario({{"paths", {{"/probe/", spec}}}});
    }
    static std::string ProbeUrl() { return sandbox->BaseUrl() + "/probe/"; }
};

struct NamedProfile {
    const char* name;
    const RequestProfile& profile;
    bool post;
};

std::vector<NamedProfile> AllProfiles() {
    return {{"update check", UpdateCheckProfile(), false},
            {"login", LoginProfile(), true},
            {"websock session", WebsockSessionProfile(), true}};
}

std::string Send(const std::string& url, const NamedProfile& p) {
    return p.post ? HttpsPost(url, "x=1", p.profile) : HttpsGet(url, p.profile);
}
}  // namespace

TEST_F(HttpsRequestTest, EmptyBodyWith200IsAnEmptyResult) {
    Probe({{"status", 200}, {"body", ""}});
    for (const auto& p : AllProfiles()) {
        EXPECT_EQ(Outcome([&] { return Send(ProbeUrl(), p); }), "body:") << p.name;
    }
}

TEST_F(HttpsRequestTest, StatusesGiveTheProfilesMessages) {
    struct Case {
        const RequestProfile& profile;
        long status;
        std::string expected;
    };
    const std::string fallback = "error:An error has occurred";
    const std::vector<Case> cases = {
        {UpdateCheckProfile(), 201, fallback},
        {UpdateCheckProfile(), 204, fallback},
        {UpdateCheckProfile(), 403, fallback},
        {UpdateCheckProfile(), 404, fallback},
        {UpdateCheckProfile(), 500, fallback},
        {LoginProfile(), 403, "error:User name or password incorrect"},
        {LoginProfile(), 402, "error:Your account has been suspended,\nplease contact support"},
        {LoginProfile(), 423, "error:Invalid serial number"},
        {LoginProfile(), 201, fallback},
        {LoginProfile(), 204, fallback},
        {LoginProfile(), 404, fallback},
        {WebsockSessionProfile(), 404, "error:Bad request"},
        {WebsockSessionProfile(), 403, "error:Server authentication failed"},
        {WebsockSessionProfile(), 504, "error:Timeout connecting to server"},
        {WebsockSessionProfile(), 503, "error:Error connecting to server"},
        {WebsockSessionProfile(), 500, "error:Server connection failed"},
        {WebsockSessionProfile(), 400, fallback},
        {WebsockSessionProfile(), 201, fallback},
    };
    for (const auto& c : cases) {
        // A body that must never come back: statuses other than 200 return no body.
        Probe({{"status", c.status}, {"body", "{\"host\":\"desk7\",\"port\":22}"}});
        EXPECT_EQ(Outcome([&] { return HttpsPost(ProbeUrl(), "x=1", c.profile); }), c.expected)
            << "status " << c.status;
    }
}

TEST_F(HttpsRequestTest, RedirectChainEndsWithTheFinalBody) {
    Probe({{"redirects", 3}, {"body", "final body"}});
    EXPECT_EQ(Outcome([&] { return HttpsGet(ProbeUrl(), UpdateCheckProfile()); }),
              "body:final body");
    // The status that counts is that of the last reply.
    Probe({{"redirects", 2}, {"status", 423}});
    EXPECT_EQ(Outcome([&] { return HttpsPost(ProbeUrl(), "a=b", LoginProfile()); }),
              "error:Invalid serial number");
}

TEST_F(HttpsRequestTest, PostSendsExactlyTheBodyAsAFormWithoutExtraHeaders) {
    Probe({{"status", 200}, {"body", "ok"}});
    const std::string body("u=a&b+c&p=%26\0tail", 18);
    ASSERT_EQ(Outcome([&] { return HttpsPost(ProbeUrl(), body, LoginProfile()); }), "body:ok");
    const auto requests = sandbox->HttpsRequests();
    ASSERT_FALSE(requests.empty());
    const auto& last = requests.back();
    EXPECT_EQ(last["method"], "POST");
    EXPECT_EQ(last["body"].get<std::string>(), body);
    EXPECT_EQ(last["headers"].value("Content-Type", ""), "application/x-www-form-urlencoded");
    EXPECT_FALSE(last["headers"].contains("User-Agent"));
    EXPECT_FALSE(last["headers"].contains("Cookie"));
}

TEST_F(HttpsRequestTest, BodyIsBuiltWithTheRequestsOwnHandle) {
    Probe({{"status", 200}, {"body", "ok"}});
    CURL* seen = nullptr;
    const auto result = Outcome([&] {
        return HttpsRequest(
            ProbeUrl(),
            [&seen](CURL* handle) {
                seen = handle;
                return "p=" + CurlEscape(handle, "a&b+c d~-._/\xC3\xBC");
            },
            LoginProfile());
    });
    EXPECT_EQ(result, "body:ok");
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(sandbox->HttpsRequests().back()["body"], "p=a%26b%2Bc%20d~-._%2F%C3%BC");
}

TEST_F(HttpsRequestTest, UnreachablePortGivesLibcurlsText) {
    const std::string url = "https://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/x";
    for (const auto& p : AllProfiles()) {
        EXPECT_EQ(Outcome([&] { return Send(url, p); }), Error(CURLE_COULDNT_CONNECT)) << p.name;
    }
}

TEST_F(HttpsRequestTest, UntrustedCertificateRejectedOnlyByVerifiedProfiles) {
    sandbox->SetScenario({{"paths", {{"/probe/", {{"status", 200}, {"body", "unverified"}}}}}});
    const std::string url =
        "https://127.0.0.1:" + std::to_string(sandbox->Port("https_untrusted")) + "/probe/";
    EXPECT_EQ(Outcome([&] { return HttpsGet(url, UpdateCheckProfile()); }),
              Error(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(Outcome([&] { return HttpsPost(url, "x=1", LoginProfile()); }),
              Error(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(Outcome([&] { return HttpsPost(url, "{}", WebsockSessionProfile()); }),
              "body:unverified");
}

TEST_F(HttpsRequestTest, VerifiedProfilesTrustOnlyTheConfiguredBundle) {
    Probe({{"status", 200}, {"body", "ok"}});
    // Without the sandbox's CA the system store does not know its certificate.
    SetTrustedCaBundle("");
    const std::string outcome = Outcome([&] { return HttpsGet(ProbeUrl(), UpdateCheckProfile()); });
    SetTrustedCaBundle(sandbox->CaFile());
    EXPECT_EQ(outcome, Error(CURLE_PEER_FAILED_VERIFICATION));
    EXPECT_EQ(Outcome([&] { return HttpsGet(ProbeUrl(), UpdateCheckProfile()); }), "body:ok");
}

TEST_F(HttpsRequestTest, ReplyThatNeverComesEndsWithLibcurlsTimeout) {
    Probe({{"hang", true}});
    RequestProfile quick = LoginProfile();
    quick.idle_timeout_seconds = 1;
    EXPECT_EQ(Outcome([&] { return HttpsPost(ProbeUrl(), "x=1", quick); }),
              Error(CURLE_OPERATION_TIMEDOUT));
}

TEST_F(HttpsRequestTest, ServiceThatNeverSpeaksTlsEndsWithLibcurlsTimeout) {
    SilentListener silent;
    RequestProfile quick = UpdateCheckProfile();
    quick.connect_timeout_seconds = 1;
    const std::string url = "https://127.0.0.1:" + std::to_string(silent.Port()) + "/";
    EXPECT_EQ(Outcome([&] { return HttpsGet(url, quick); }), Error(CURLE_OPERATION_TIMEDOUT));
}

TEST_F(HttpsRequestTest, SlowDripStillCompletes) {
    // One byte every 150 ms keeps moving, so the one-second idle bound does not cut it.
    Probe({{"status", 200}, {"body", "slow but steady"}, {"drip_ms", 150}});
    RequestProfile quick = UpdateCheckProfile();
    quick.idle_timeout_seconds = 1;
    EXPECT_EQ(Outcome([&] { return HttpsGet(ProbeUrl(), quick); }), "body:slow but steady");
}

TEST_F(HttpsRequestTest, ConcurrentFirstRequestsOnSeveralThreads) {
    Probe({{"status", 200}, {"body", "same for all"}});
    std::vector<std::string> outcomes(6);
    std::vector<std::thread> threads;
    for (auto& outcome : outcomes) {
        threads.emplace_back([&outcome] {
            outcome = Outcome([] { return HttpsGet(ProbeUrl(), UpdateCheckProfile()); });
        });
    }
    for (auto& t : threads) t.join();
    for (const auto& outcome : outcomes) EXPECT_EQ(outcome, "body:same for all");
}

TEST_F(HttpsRequestTest, RefusedUrlGivesThePrefixAndAnEmptyErrorBuffer) {
    // libcurl refuses option strings over 8 MB without writing a description.
    const std::string huge = "https://127.0.0.1/" + std::string(9 * 1024 * 1024, 'a');
    EXPECT_EQ(Outcome([&] { return HttpsGet(huge, UpdateCheckProfile()); }),
              "error:Failed to set URL: ");
}

TEST_F(HttpsRequestTest, RedirectsLeadToHttpsOnlyAndNeverSendTheBodyInClear) {
    // Something listening where the redirect points: it must never be reached.
    TcpPeer plain(TcpPeer::SendAndClose("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    const std::string http = "http://127.0.0.1:" + std::to_string(plain.Port()) + "/";
    for (const int status : {301, 302, 307, 308}) {
        Probe({{"redirects", 1}, {"redirect_status", status}, {"location", http}});
        for (const auto& p : AllProfiles()) {
            EXPECT_EQ(Outcome([&] { return Send(ProbeUrl(), p); }),
                      std::string("error:") + kRedirectNotHttps)
                << p.name << " " << status;
        }
    }
    EXPECT_EQ(plain.Accepted(), 0);
    // The same redirect to the https side is followed.
    Probe({{"redirects", 1}, {"redirect_status", 307}, {"location", ProbeUrl()}, {"body", "ok"}});
    EXPECT_EQ(Outcome([&] { return HttpsPost(ProbeUrl(), "p=secret", LoginProfile()); }),
              "body:ok");
    EXPECT_EQ(sandbox->HttpsRequests().back()["body"], "p=secret");
}

TEST_F(HttpsRequestTest, RedirectLoopEndsAfterFiveHops) {
    Probe({{"redirects", 5}, {"body", "five is fine"}});
    EXPECT_EQ(Outcome([&] { return HttpsGet(ProbeUrl(), UpdateCheckProfile()); }),
              "body:five is fine");
    for (const auto& p : AllProfiles()) {
        Probe({{"redirects", 100000}});
        const std::size_t before = sandbox->HttpsRequests().size();
        EXPECT_EQ(Outcome([&] { return Send(ProbeUrl(), p); }), Error(CURLE_TOO_MANY_REDIRECTS))
            << p.name;
        EXPECT_EQ(sandbox->HttpsRequests().size() - before, 6u) << p.name;
    }
}

TEST_F(HttpsRequestTest, OversizedReplyIsRefusedBeforeItFillsMemory) {
    const std::string too_large = std::string("error:") + kReplyTooLarge;
    const auto bytes = [](std::size_t count) { return "body of " + std::to_string(count); };
    RequestProfile small = LoginProfile();
    small.max_body_bytes = 1000;
    struct Case {
        nlohmann::json spec;  // a 200 reply of "size" bytes
        const RequestProfile& profile;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{{"size", 1000}}, small, bytes(1000)},
        {{{"size", 1000}, {"no_length", true}}, small, bytes(1000)},
        {{{"size", 1001}}, small, too_large},
        {{{"size", 1001}, {"no_length", true}}, small, too_large},
        // Every profile's own bound: far beyond it, with and without a declared length.
        {{{"size", 400 << 20}}, LoginProfile(), too_large},
        {{{"size", 64 << 20}, {"no_length", true}}, LoginProfile(), too_large},
        {{{"size", 64 << 20}, {"no_length", true}}, UpdateCheckProfile(), too_large},
        {{{"size", 64 << 20}, {"no_length", true}}, WebsockSessionProfile(), too_large},
        {{{"size", 1 << 20}, {"no_length", true}}, UpdateCheckProfile(), bytes(1 << 20)},
    };
    for (Case c : cases) {
        c.spec["status"] = 200;
        Probe(c.spec);
        std::string outcome;
        try {
            outcome = bytes(HttpsPost(ProbeUrl(), "x=1", c.profile).size());
        } catch (const std::string& message) {
            outcome = "error:" + message;
        }
        EXPECT_EQ(outcome, c.expected) << c.spec.dump();
    }
}

TEST_F(HttpsRequestTest, TrickleIsEndedByTheOverallDeadline) {
    for (const auto& p : AllProfiles()) EXPECT_EQ(p.profile.total_timeout_seconds, 120) << p.name;
    // A byte every 100 ms never trips the idle bound, and would take hours to finish.
    Probe({{"size", 100000}, {"drip_ms", 100}});
    RequestProfile quick = LoginProfile();
    quick.total_timeout_seconds = 2;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Outcome([&] { return HttpsPost(ProbeUrl(), "x=1", quick); }),
              Error(CURLE_OPERATION_TIMEDOUT));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}
