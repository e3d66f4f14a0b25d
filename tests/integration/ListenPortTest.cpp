#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "support/OpensshServer.h"
#include "support/TcpPeer.h"
#include "tunnel/ListenPort.h"

namespace {
const auto kNeverStop = [] { return false; };

std::string ListenError(std::uint16_t port) {
    ListenPort listener;
    try {
        listener.Listen(port);
    } catch (const std::string& message) {
        return message;
    }
    return "";
}

int IntOption(int fd, int level, int option) {
    int value = 0;
    socklen_t length = sizeof value;
    getsockopt(fd, level, option, &value, &length);
    return value;
}
}  // namespace

TEST(ListenPort, ATakenPortFailsWithTheBindMessage) {
    TcpPeer taken(TcpPeer::Echo());
    EXPECT_EQ(ListenError(static_cast<std::uint16_t>(taken.Port())), "Could not bind socket");
}

TEST(ListenPort, AcceptHandsOverTheConnectionAndRefusesTheNext) {
    const auto port = static_cast<std::uint16_t>(FreeLoopbackPort());
    ListenPort listener;
    listener.Listen(port);
    const int client = ConnectLoopback(port);
    ASSERT_GE(client, 0);
    const SocketHandle accepted = listener.Accept(std::chrono::seconds(10), kNeverStop);
    ASSERT_NE(accepted, kNoSocket);
    EXPECT_EQ(listener.Socket(), accepted);
    EXPECT_EQ(IntOption(accepted, IPPROTO_TCP, TCP_NODELAY), 1);

    const int second = ConnectLoopback(port);
    EXPECT_EQ(second, -1) << "the listening socket must be gone after the first connection";
    if (second >= 0) close(second);

    ASSERT_TRUE(SendAll(client, "ping"));
    char buffer[4];
    EXPECT_EQ(recv(accepted, buffer, sizeof buffer, 0), 4);

    listener.Close();
    EXPECT_EQ(listener.Socket(), kNoSocket);
    EXPECT_TRUE(PeerClosed(client, 5000));
    listener.Close();  // a second close must not touch a handle the system may have reused
    close(client);
}

TEST(ListenPort, AcceptGivesUpAtItsLimitAndKeepsListening) {
    const auto port = static_cast<std::uint16_t>(FreeLoopbackPort());
    ListenPort listener;
    listener.Listen(port);
    EXPECT_EQ(listener.Accept(std::chrono::milliseconds(300), kNeverStop), kNoSocket);
    EXPECT_NE(listener.Socket(), kNoSocket);
    const int client = ConnectLoopback(port);
    EXPECT_GE(client, 0);
    EXPECT_NE(listener.Accept(std::chrono::seconds(10), kNeverStop), kNoSocket);
    close(client);
}

TEST(ListenPort, AcceptSeesAStopRequest) {
    ListenPort listener;
    listener.Listen(static_cast<std::uint16_t>(FreeLoopbackPort()));
    std::atomic<bool> stop{false};
    std::thread requester([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        stop = true;
    });
    // The limit is far away: only the stop request can end this wait.
    EXPECT_EQ(listener.Accept(std::chrono::hours(1), [&] { return stop.load(); }), kNoSocket);
    requester.join();
}
