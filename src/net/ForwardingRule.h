#pragma once

#include <cstdint>
#include <string>

#include "records/Records.h"

// Where the local end of a session's forwarding listens and where it leads. Every user of the
// rule (the forwarding ssh's command line, the tunnel thread, the viewer's target) asks this
// one function, so they always agree on the port.
struct ForwardingRule {
    std::uint16_t local_port = 0;  // on 127.0.0.1
    std::string remote_host;
    std::uint16_t remote_port = 0;

    bool operator==(const ForwardingRule& other) const {
        return local_port == other.local_port && remote_host == other.remote_host &&
               remote_port == other.remote_port;
    }
};

// tunnel_mode: local = port, forwarded to host:22. Otherwise local = port + 4000, forwarded to
// host:port.
// Ports of 61536 and above: the sum wraps modulo 65536 for every user (62000 listens on 464),
// as the tunnel thread always did, so no user writes a port number that cannot exist. A local
// port of 0 would let the system pick any port, which nobody could find, so that case (session
// port 61536 without tunnel mode, or port 0 in tunnel mode) throws a std::string message.
ForwardingRule LocalForwarding(const MirlNxSession& session);
