#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "records/Events.h"
#include "service/Sha256Hex.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/LibSshLogin.h"
#include "support/OpensshServer.h"
#include "support/TcpPeer.h"
#include "tunnel/SshTunnel.h"

namespace {
const std::string kKeyDir = TOLLIVANCE_KEY_DIR;
const std::string kDenied = ", but the request was denied.";

bool LoopbackPortFree(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return free;
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

MirlNxSession SessionAt(std::uint16_t port, bool tunnel_mode) {
    MirlNxSession session;
    session.host = "127.0.0.1";
    session.port = port;
    session.tunnel_mode = tunnel_mode;
    session.cookie = "cookie";
    session.login.username = "alice";
    return session;
}
}  // namespace

class SshTunnelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sshd = std::make_unique<OpensshServer>(
            std::vector<std::string>{kKeyDir + "/session_request_key.pub"}, ExtraConfig(),
            LogLevel());
    }

    void TearDown() override {
        // Every thread must be gone before the recorder it reports to.
        for (const auto& watch : started) {
            const bool ended = PumpUntil([&] { return watch.expired(); }, std::chrono::seconds(30));
            EXPECT_TRUE(ended) << "a tunnel thread did not end";
            if (!ended) std::abort();  // it would report to a recorder that is gone
        }
    }

    virtual std::vector<std::string> ExtraConfig() const { return {}; }
    virtual std::string LogLevel() const { return "ERROR"; }

    // Starts a tunnel over a fresh connection of its own; the returned pointer is valid until
    // the thread ends, which the test learns through its events or Ended().
    SshTunnel* Start(const MirlNxSession& session) {
        auto connection = LoginAsCurrentUser(sshd->Port());
        started.push_back(connection);
        auto* tunnel = new SshTunnel(&recorder, std::move(connection), session);
        EXPECT_EQ(tunnel->Run(), wxTHREAD_NO_ERROR);
        return tunnel;
    }

    // True once the last started thread has returned and released its connection.
    bool Ended(std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        return PumpUntil([&] { return started.back().expired(); }, timeout);
    }

    // A peer on a port whose tunnel port (port + 4000) is free too.
    std::unique_ptr<TcpPeer> PeerWithFreeTunnelPort(TcpPeer::Handler handler) {
        for (int attempt = 0; attempt < 50; ++attempt) {
            auto peer = std::make_unique<TcpPeer>(handler);
            if (peer->Port() + 4000 <= 65535 && LoopbackPortFree(peer->Port() + 4000)) return peer;
        }
        throw std::runtime_error("no peer port with a free tunnel port");
    }

    static std::uint16_t TunnelPortOf(const TcpPeer& peer) {
        return static_cast<std::uint16_t>(peer.Port() + 4000);
    }

    std::unique_ptr<OpensshServer> sshd;
    EventRecorder recorder;
    std::vector<std::weak_ptr<LibSshSession>> started;
};

// An sshd that refuses every forwarding and logs each refusal with its target.
class RefusingSshTunnelTest : public SshTunnelTest {
  protected:
    std::vector<std::string> ExtraConfig() const override { return {"PermitOpen 127.0.0.1:1"}; }
    std::string LogLevel() const override { return "INFO"; }
};

TEST_F(SshTunnelTest, LargeRandomPayloadsCrossBothWaysIntact) {
    const size_t size = 16 * 1024 * 1024 + 12345;  // not a multiple of the buffer size
    const std::string upload = RandomBytes(size, 1);
    const std::string download = RandomBytes(size, 2);
    std::string received_by_peer;
    auto peer = PeerWithFreeTunnelPort([&](int fd) {
        std::thread sender([&] { SendAll(fd, download); });
        received_by_peer = ReceiveExactly(fd, size);
        sender.join();
    });
    Start(SessionAt(static_cast<std::uint16_t>(peer->Port()), false));
    ASSERT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);

    const int client = ConnectLoopback(TunnelPortOf(*peer));
    ASSERT_GE(client, 0);
    std::thread uploader([&] { SendAll(client, upload); });
    const std::string received_by_client = ReceiveExactly(client, size);
    uploader.join();
    peer.reset();  // joins the handler, so received_by_peer is complete
    close(client);

    EXPECT_EQ(Sha256Hex(received_by_client), Sha256Hex(download));
    EXPECT_EQ(Sha256Hex(received_by_peer), Sha256Hex(upload));
    const auto* finished = recorder.WaitFor(EVT_TUNNEL_FINISHED);
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(EventRecorder::Text(*finished), "Tunnel connection finished");
    EXPECT_EQ(recorder.Trace(),
              (std::vector<std::string>{"EVT_SESSION_READY", "EVT_MAP_DRIVES",
                                        "EVT_TUNNEL_FINISHED:Tunnel connection finished"}));
    EXPECT_EQ(recorder.Of(EVT_MAP_DRIVES).at(0).As<MirlNxLogin>().username, "alice");
    EXPECT_EQ(recorder.Of(EVT_SESSION_READY).at(0).As<MirlNxSession>().cookie, "cookie");
}

TEST_F(SshTunnelTest, AViewerThatClosesAtOnceEndsTheTunnel) {
    auto peer = PeerWithFreeTunnelPort(TcpPeer::Echo());
    Start(SessionAt(static_cast<std::uint16_t>(peer->Port()), false));
    ASSERT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
    close(ConnectLoopback(TunnelPortOf(*peer)));
    const auto* finished = recorder.WaitFor(EVT_TUNNEL_FINISHED);
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(EventRecorder::Text(*finished), "Tunnel connection finished");
    EXPECT_EQ(recorder.Count(EVT_SESSION_FAILURE), 0u);
}

TEST_F(SshTunnelTest, ASecondConnectionIsRefused) {
    auto peer = PeerWithFreeTunnelPort(TcpPeer::Echo());
    Start(SessionAt(static_cast<std::uint16_t>(peer->Port()), false));
    ASSERT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
    const int first = ConnectLoopback(TunnelPortOf(*peer));
    ASSERT_GE(first, 0);
    ASSERT_NE(recorder.WaitFor(EVT_MAP_DRIVES), nullptr);
    const int second = ConnectLoopback(TunnelPortOf(*peer));
    EXPECT_EQ(second, -1);
    if (second >= 0) close(second);
    // The first one still works.
    ASSERT_TRUE(SendAll(first, "hello"));
    EXPECT_EQ(ReceiveExactly(first, 5), "hello");
    close(first);
    EXPECT_NE(recorder.WaitFor(EVT_TUNNEL_FINISHED), nullptr);
}

TEST_F(SshTunnelTest, AFailedListenIsReportedAndEndsTheThread) {
    TcpPeer taken(TcpPeer::Echo());
    Start(SessionAt(static_cast<std::uint16_t>(taken.Port()), true));
    const auto* failure = recorder.WaitFor(EVT_SESSION_FAILURE);
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(EventRecorder::Text(*failure), "Could not bind socket");
    EXPECT_TRUE(Ended());
    EXPECT_EQ(recorder.Count(EVT_SESSION_READY), 0u);
}

TEST_F(SshTunnelTest, AStopRequestEndsTheThreadWhileItWaitsForTheViewer) {
    auto peer = PeerWithFreeTunnelPort(TcpPeer::Echo());
    SshTunnel* tunnel = Start(SessionAt(static_cast<std::uint16_t>(peer->Port()), false));
    ASSERT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
    tunnel->Delete();
    EXPECT_TRUE(Ended());
    EXPECT_EQ(recorder.Count(EVT_SESSION_FAILURE), 0u) << "a requested stop is no failure";
    EXPECT_EQ(recorder.Count(EVT_TUNNEL_FINISHED), 1u);
}

TEST_F(SshTunnelTest, AStopRequestEndsTheThreadWhileItForwards) {
    auto peer = PeerWithFreeTunnelPort(TcpPeer::Echo());
    SshTunnel* tunnel = Start(SessionAt(static_cast<std::uint16_t>(peer->Port()), false));
    ASSERT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
    const int client = ConnectLoopback(TunnelPortOf(*peer));
    ASSERT_TRUE(SendAll(client, "x"));
    ASSERT_EQ(ReceiveExactly(client, 1), "x");  // the channel is open and idle now
    tunnel->Delete();
    EXPECT_TRUE(Ended());
    EXPECT_TRUE(PeerClosed(client, 5000));
    close(client);
}

TEST_F(SshTunnelTest, FarSideCloseCostsNoCpuWhileTheTunnelWindsDown) {
    const std::string greeting = RandomBytes(64 * 1024, 3);
    std::atomic<bool> far_side_closed{false};
    auto peer = PeerWithFreeTunnelPort([&](int fd) {
        SendAll(fd, greeting);
        shutdown(fd, SHUT_RDWR);
        far_side_closed = true;
    });
    Start(SessionAt(static_cast<std::uint16_t>(peer->Port()), false));
    ASSERT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
    const int client = ConnectLoopback(TunnelPortOf(*peer));
    ASSERT_TRUE(PumpUntil([&] { return far_side_closed.load(); }));

    // The viewer reads nothing for a while; a loop that kept selecting on the ended channel
    // would burn a core meanwhile.
    const double before = ProcessCpuSeconds();
    PumpFor(std::chrono::milliseconds(1500));
    const double used = ProcessCpuSeconds() - before;
    EXPECT_LT(used, 0.5) << "CPU seconds used while winding down";

    EXPECT_EQ(Sha256Hex(ReceiveUntilClosed(client)), Sha256Hex(greeting));
    close(client);
    EXPECT_NE(recorder.WaitFor(EVT_TUNNEL_FINISHED), nullptr);
}

TEST_F(RefusingSshTunnelTest, AForwardingThatKeepsFailingGivesUpAfterElevenAttempts) {
    if (!LoopbackPortFree(5000)) GTEST_SKIP() << "port 5000 is taken on this machine";
    // Tunnel mode: the tunnel listens on the session port and leads to the host's port 22.
    Start(SessionAt(5000, true));
    ASSERT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
    const int client = ConnectLoopback(5000);
    ASSERT_GE(client, 0);
    const auto* failure = recorder.WaitFor(EVT_SESSION_FAILURE, std::chrono::seconds(40));
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(EventRecorder::Text(*failure), "Tunnel connection failed");
    EXPECT_TRUE(PeerClosed(client, 5000)) << "the local connection must be closed";
    close(client);
    EXPECT_TRUE(Ended());
    const std::string log = sshd->Log();
    EXPECT_EQ(Occurrences(log, kDenied), 11u) << log;
    EXPECT_EQ(Occurrences(log, "to connect to host 127.0.0.1 port 22" + kDenied), 11u) << log;
    EXPECT_EQ(recorder.Count(EVT_TUNNEL_FINISHED), 0u);
}

TEST_F(RefusingSshTunnelTest, WithoutTunnelModeAHighSessionPortWrapsAroundForTheLocalPort) {
    if (!LoopbackPortFree(464)) GTEST_SKIP() << "port 464 is taken on this machine";
    SshTunnel* tunnel = Start(SessionAt(62000, false));
    ASSERT_NE(recorder.WaitFor(EVT_SESSION_READY), nullptr);
    const int client = ConnectLoopback(464);  // (62000 + 4000) modulo 65536
    ASSERT_GE(client, 0);
    ASSERT_NE(recorder.WaitFor(EVT_MAP_DRIVES), nullptr);
    const std::string request = "to connect to host 127.0.0.1 port 62000" + kDenied;
    EXPECT_TRUE(PumpUntil([&] { return sshd->Log().find(request) != std::string::npos; }))
        << sshd->Log();
    // Still retrying: a stop request ends it without waiting for the remaining attempts.
    tunnel->Delete();
    EXPECT_TRUE(Ended());
    EXPECT_EQ(recorder.Count(EVT_SESSION_FAILURE), 0u);
    close(client);
}
