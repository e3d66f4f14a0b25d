#include "net/ForwardingRule.h"

namespace {
constexpr unsigned kLocalPortOffset = 4000;
constexpr std::uint16_t kTunnelModeRemotePort = 22;
}  // namespace

ForwardingRule LocalForwarding(const MirlNxSession& session) {
    ForwardingRule rule;
    rule.remote_host = session.host;
    if (session.tunnel_mode) {
        rule.local_port = session.port;
        rule.remote_port = kTunnelModeRemotePort;
    } else {
        rule.local_port = static_cast<std::uint16_t>((session.port + kLocalPortOffset) % 65536u);
        rule.remote_port = session.port;
    }
    if (rule.local_port == 0) {
        throw std::string("The session's port " + std::to_string(session.port) +
                          " leaves no local port for its forwarding");
    }
    return rule;
}
