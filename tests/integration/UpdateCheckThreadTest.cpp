#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Deployment.h"
#include "records/Events.h"
#include "service/UpdateCheckThread.h"
#include "service/UrlUpdateCheck.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/HttpsSandboxTest.h"
#include "support/LoopbackPorts.h"
#include "support/Sandbox.h"
#include "support/WatchedThread.h"

namespace {
const char* const kVersionPath = "/downloads/quorvanta-client-version.txt";

class UpdateCheckThreadTest : public HttpsSandboxTest {
  protected:
    // Runs one check to its end; the payloads of what it queued, each as "event:<text>".
    static std::vector<std::string> RunCheck(const std::string& url) {
        EventRecorder sink;
        const auto ended = RunWatched<UpdateCheckThread>(&sink, url);
        EXPECT_TRUE(WaitForThreadEnd(ended)) << "update check did not end";
        std::vector<std::string> out;
        for (const auto& e : sink.events()) {
            out.push_back(std::string(EventRecorder::Name(e.type)) + ":" + EventRecorder::Text(e));
        }
        return out;
    }
    static std::string Url() { return sandbox->BaseUrl() + kVersionPath; }
};

using Events = std::vector<std::string>;
}  // namespace

TEST_F(UpdateCheckThreadTest, PublishedVersionsAgainstOurOwn) {
    struct Case {
        std::string published;
        bool newer;
    };
    const std::vector<Case> cases = {
        {"3.0.3", false},  {"3.0.3\n", false},   {"3.0.4", true},
        {"3.1.0", true},   {"4.0.0", true},      {"3.0.2", false},
        {"2.9.9", false},  {"2.10.0", false},    {"  3.0.4", true},
        {"3.0.4\n", true}, {"3.0.10\r\n", true}, {"4.0", false},
        {"4.0\n", false},  {"", false},          {"<html><body>3.0.4</body></html>", false},
        {"v3.0.4", false},
    };
    for (const auto& c : cases) {
        sandbox->SetScenario({{"version", c.published}});
        // The payload is the text exactly as received, line break included.
        const Events expected = c.newer ? Events{"EVT_UPDATE_AVAILABLE:" + c.published} : Events{};
        EXPECT_EQ(RunCheck(Url()), expected) << "published \"" << c.published << "\"";
    }
}

TEST_F(UpdateCheckThreadTest, FailedFetchesStaySilent) {
    // Each of these would offer an update if the text came through.
    sandbox->SetScenario({{"version", {{"status", 404}, {"body", "4.0.0\n"}}}});
    EXPECT_EQ(RunCheck(Url()), Events{});

    sandbox->SetScenario({{"version", "9.9.9\n"}});
    EXPECT_EQ(RunCheck("https://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + kVersionPath),
              Events{});
    EXPECT_EQ(RunCheck("https://127.0.0.1:" + std::to_string(sandbox->Port("https_untrusted")) +
                       kVersionPath),
              Events{});
    // The same text from the trusted port does offer it, so the silence above is the failure's.
    EXPECT_EQ(RunCheck(Url()), Events{"EVT_UPDATE_AVAILABLE:9.9.9\n"});
}

TEST_F(UpdateCheckThreadTest, RedirectedVersionTextCounts) {
    sandbox->SetScenario({{"version", {{"redirects", 2}, {"body", "3.0.4\n"}}}});
    EXPECT_EQ(RunCheck(Url()), Events{"EVT_UPDATE_AVAILABLE:3.0.4\n"});
}

TEST_F(UpdateCheckThreadTest, CheckObjectMayEndWhileItsThreadRuns) {
    sandbox->SetScenario({{"version", "3.1.0\n"}});
    EventRecorder sink;
    {
        UrlUpdateCheck check(Url());
        wxThread* thread = check.CreateCheckThread(&sink);
        ASSERT_EQ(thread->Run(), wxTHREAD_NO_ERROR);
    }
    const auto* event = sink.WaitFor(EVT_UPDATE_AVAILABLE);
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->As<std::string>(), "3.1.0\n");
    PumpFor(std::chrono::milliseconds(300));  // let the detached thread finish deleting itself
    EXPECT_EQ(sink.events().size(), 1u);
}
