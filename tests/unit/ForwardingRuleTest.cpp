#include <gtest/gtest.h>

#include <string>

#include "net/ForwardingRule.h"

namespace {

MirlNxSession Session(bool tunnel_mode, std::uint16_t port) {
    MirlNxSession session;
    session.host = "desk";
    session.tunnel_mode = tunnel_mode;
    session.port = port;
    return session;
}

TEST(ForwardingRule, LocalPortAndTarget) {
    struct Case {
        bool tunnel_mode;
        std::uint16_t port;
        ForwardingRule expected;
    };
    const Case cases[] = {
        {false, 5901, {9901, "desk", 5901}},  {true, 5901, {5901, "desk", 22}},
        {true, 5000, {5000, "desk", 22}},     {false, 61535, {65535, "desk", 61535}},
        {false, 61537, {1, "desk", 61537}},  // wraps modulo 65536 for every user
        {false, 62000, {464, "desk", 62000}}, {false, 65535, {3999, "desk", 65535}},
        {false, 0, {4000, "desk", 0}},
    };
    for (const Case& c : cases) {
        const ForwardingRule rule = LocalForwarding(Session(c.tunnel_mode, c.port));
        EXPECT_EQ(rule.local_port, c.expected.local_port) << c.port << " " << c.tunnel_mode;
        EXPECT_EQ(rule.remote_host, c.expected.remote_host);
        EXPECT_EQ(rule.remote_port, c.expected.remote_port) << c.port << " " << c.tunnel_mode;
    }
}

TEST(ForwardingRule, RefusesALocalPortOfZero) {
    for (const auto& session : {Session(false, 61536), Session(true, 0)}) {
        try {
            LocalForwarding(session);
            ADD_FAILURE() << "accepted port " << session.port;
        } catch (const std::string& message) {
            EXPECT_NE(message.find(std::to_string(session.port)), std::string::npos) << message;
        }
    }
}

}  // namespace
