#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "session/OpensshProcess.h"
#include "session/SessionDocuments.h"
#include "session/WebsockDesktopSession.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/LibSshLogin.h"
#include "support/LoopbackClient.h"
#include "support/SampleRecords.h"
#include "support/Sandbox.h"
#include "support/TempDir.h"

namespace {

// The sandbox's service side (desktop proxy on the self-signed port, mirlnx account, recording
// desktop) and a session variant pointed at it.
struct ProxyFixture {
    Sandbox sandbox{SandboxOptions().WithHttps().WithSsh().WithDesktop()};
    TempDir temp;
    WebsockDesktopSession variant{
        "127.0.0.1:" + std::to_string(sandbox.Port("https_untrusted")),
        ForwardingOptions{LinuxLayout(), std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux",
                          temp.path(), BuildKeyText("tunnel_key"), std::chrono::seconds(30)}};
    MirlNxServer server{"127.0.0.1", "10.1.2.3", static_cast<std::uint16_t>(sandbox.Port("ssh"))};
    EventRecorder sink;

    std::vector<nlohmann::json> Requests() const {
        std::vector<nlohmann::json> requests;
        std::ifstream log(sandbox.StateDir() + "/session_requests.jsonl");
        for (std::string line; std::getline(log, line);)
            requests.push_back(nlohmann::json::parse(line));
        return requests;
    }

    // The message of a CreateSession that must fail; checks that it left nothing behind.
    std::string Failure() {
        try {
            const auto result =
                variant.CreateSession(&sink, server, SampleLogin("alice", "p\"w/\x7f"));
            ADD_FAILURE() << "session created";
            delete result.second.process;
        } catch (const std::string& message) {
            PumpFor(std::chrono::milliseconds(50));
            EXPECT_TRUE(sink.events().empty());
            EXPECT_TRUE(PumpUntil([] { return OpensshProcess::LiveCount() == 0; }));
            EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
            return message;
        }
        return "";
    }
};

TEST(WebsockDesktopSession, UrlNamesTheServerAddress) {
    EXPECT_EQ(WebsockDesktopSession::SessionUrl("proxy.example:8443",
                                                MirlNxServer{"srv", "192.0.2.7", 22}),
              "https://proxy.example:8443/session/https/192.0.2.7/9997");
}

TEST(WebsockDesktopSession, ProxyStatusesBecomeTheirMessages) {
    ProxyFixture f;
    const std::pair<int, const char*> cases[] = {{404, "Bad request"},
                                                 {403, "Server authentication failed"},
                                                 {504, "Timeout connecting to server"},
                                                 {503, "Error connecting to server"},
                                                 {500, "Server connection failed"},
                                                 {400, "An error has occurred"}};
    for (const auto& [status, message] : cases) {
        f.sandbox.SetScenario({{"desktop_proxy", {{"status", status}}}});
        EXPECT_EQ(f.Failure(), message) << status;
    }
}

TEST(WebsockDesktopSession, ReplyFailuresQueueNothingAndStartNoSsh) {
    ProxyFixture f;
    f.sandbox.SetScenario({{"session", {{"err-only", "No desktop is free, try again later"}}}});
    EXPECT_EQ(f.Failure(), "No desktop is free, try again later");
    f.sandbox.SetScenario({{"session", {{"malformed", true}}}});
    EXPECT_EQ(f.Failure().rfind("Decode error ", 0), 0u);
    // without websock the session host is needed
    f.sandbox.SetScenario({{"session", {{"websock", false}, {"omit", {"host"}}, {"err", "E"}}}});
    EXPECT_EQ(f.Failure(), "E");
    // ssh that is refused: the reply was fine, but the desktop is not reachable
    f.sandbox.SetScenario({{"ssh", {{"auth", "refuse"}}}, {"session", {{"websock", false}}}});
    EXPECT_NE(f.Failure().find("Permission denied"), std::string::npos);
}

TEST(WebsockDesktopSession, WebsockReplyNeedsNoHostAndNoSsh) {
    ProxyFixture f;
    f.sandbox.SetScenario(
        {{"session", {{"websock", true}, {"omit", {"host"}}, {"port", 5901}, {"cookie", "K"}}}});
    const auto [session, handles] =
        f.variant.CreateSession(&f.sink, f.server, SampleLogin("alice", "p\"w/\x7f"));
    EXPECT_TRUE(session.websock);
    EXPECT_EQ(session.host, "10.1.2.3");
    EXPECT_EQ(session.port, 5901);
    EXPECT_EQ(session.cookie, "K");
    EXPECT_EQ(session.protocol, "vnc");
    EXPECT_EQ(session.login, SampleLogin("alice", "p\"w/\x7f"));
    EXPECT_EQ(handles.thread, nullptr);
    EXPECT_EQ(handles.process, nullptr);
    EXPECT_EQ(OpensshProcess::LiveCount(), 0);

    ASSERT_NE(f.sink.WaitFor(EVT_MAP_DRIVES), nullptr);
    ASSERT_EQ(f.sink.events().size(), 2u);
    EXPECT_EQ(f.sink.events()[0].type, EVT_SESSION_READY);
    EXPECT_EQ(f.sink.events()[0].As<MirlNxSession>(), session);
    EXPECT_EQ(f.sink.events()[1].As<MirlNxLogin>(), SampleLogin("alice", "p\"w/\x7f"));

    const auto requests = f.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0]["ip"], "10.1.2.3");
    EXPECT_EQ(requests[0]["port"], "9997");
    EXPECT_EQ(requests[0]["request"].get<std::string>(),
              BuildSessionRequest(SampleLogin("alice", "p\"w/\x7f"), DesktopRoute::Websock));
}

TEST(WebsockDesktopSession, WithoutWebsockTheRealSshCarriesBytesToTheDesktop) {
    ProxyFixture f;
    f.sandbox.SetScenario({{"session", {{"websock", false}}}});
    const auto [session, handles] =
        f.variant.CreateSession(&f.sink, f.server, SampleLogin("alice", "p\"w/\x7f"));
    EXPECT_FALSE(session.websock);
    EXPECT_EQ(session.host, "127.0.0.1");
    EXPECT_EQ(session.port, f.sandbox.Port("desktop"));
    ASSERT_NE(handles.process, nullptr);
    EXPECT_EQ(handles.thread, nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(f.temp.path()));

    ASSERT_NE(f.sink.WaitFor(EVT_MAP_DRIVES), nullptr);
    ASSERT_EQ(f.sink.events().size(), 2u);
    EXPECT_EQ(f.sink.events()[0].type, EVT_SESSION_READY);

    const std::string bytes = "desktop bytes \x01\x02\xfe";
    EXPECT_EQ(LoopbackRoundTrip(static_cast<std::uint16_t>(session.port + 4000), bytes), bytes);
    EXPECT_EQ(ReadWholeFile(f.sandbox.StateDir() + "/desktop_received.bin"), bytes);

    wxProcess::Kill(handles.process->GetPid(), wxSIGKILL);
    const auto* finished = f.sink.WaitFor(EVT_TUNNEL_FINISHED);
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(EventRecorder::Text(*finished), "Tunnel connection finished");
    delete handles.process;
}

}  // namespace
