#pragma once

#include <cstdint>
#include <string>

#include "app/records/Records.h"

// Where the tunnel thread listens and what its channel leads to, by the local forwarding rule.
struct TunnelTarget {
    std::uint16_t local_port = 0;
    std::string host;
    std::uint16_t remote_port = 0;
};

TunnelTarget TunnelTargetOf(const MirlNxSession& session);
