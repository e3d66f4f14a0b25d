#include "tunnel/TunnelTarget.h"

TunnelTarget TunnelTargetOf(const MirlNxSession& session) {
    // TODO(tunnel): take these from the shared forwarding rule once it is merged.
    TunnelTarget target;
    target.host = session.host;
    if (session.tunnel_mode) {
        target.local_port = session.port;
        target.remote_port = 22;
    } else {
        target.local_port = static_cast<std::uint16_t>(session.port + 4000);
        target.remote_port = session.port;
    }
    return target;
}
