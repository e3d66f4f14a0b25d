#include <gtest/gtest.h>

#include <thread>

#include "records/Events.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/SampleRecords.h"

namespace {

MirlNxSession SampleSession() {
    MirlNxSession session;
    session.host = "10.1.2.3";
    session.port = 5901;
    session.cookie = "c00kie";
    session.tunnel_mode = true;
    session.protocol = "vnc";
    session.login = SampleLogin();
    session.ftp = {"ftp.example", 2121, "salt"};
    session.webdav = {"dav.example", 8080, "pepper"};
    session.settings = {7, 3, 1};
    session.websock = true;
    return session;
}
}  // namespace

// A worker queues every payload kind; the GUI thread receives equal copies, and the worker's
// own values may change or vanish afterwards without touching what was queued.
TEST(Events, PayloadsCrossThreadsByCopy) {
    EventRecorder sink;
    std::thread worker([&sink] {
        MirlNxSession session = SampleSession();
        LoginResult result{{"desk7", "192.0.2.7", 22}, SampleLogin()};
        std::string text = "Tunnel connection finished";
        QueueThreadEvent(&sink, EVT_SESSION_READY, session);
        QueueThreadEvent(&sink, EVT_MAP_DRIVES, session.login);
        QueueThreadEvent(&sink, EVT_LOGIN_SUCCESS, result);
        QueueThreadEvent(&sink, EVT_TUNNEL_FINISHED, text);
        QueueThreadEvent(&sink, EVT_PRINT_FILE, wxString("/tmp/f\u00e9.pdf"));
        QueueCommandEvent(&sink, EVT_VIEWER_END);
        session.cookie = "changed";
        result.first.host = "changed";
        text.clear();
    });
    worker.join();

    ASSERT_TRUE(PumpUntil([&] { return sink.events().size() == 6; }));
    const auto& events = sink.events();
    EXPECT_EQ(events[0].As<MirlNxSession>(), SampleSession());
    EXPECT_EQ(events[1].As<MirlNxLogin>(), SampleLogin());
    EXPECT_EQ(events[2].As<LoginResult>(),
              (LoginResult{{"desk7", "192.0.2.7", 22}, SampleLogin()}));
    EXPECT_EQ(events[3].As<std::string>(), "Tunnel connection finished");
    EXPECT_EQ(events[4].As<wxString>(), wxString("/tmp/f\u00e9.pdf"));
    EXPECT_EQ(events[5].type, EVT_VIEWER_END);
}
