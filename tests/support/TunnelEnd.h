#pragma once

#include <chrono>

#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "tunnel/SshTunnel.h"

// Stops a started tunnel thread that has not ended yet, so it never outlives its recorder.
class TunnelEnd {
  public:
    TunnelEnd(EventRecorder& recorder, SshTunnel* tunnel) : recorder(recorder), tunnel(tunnel) {}
    ~TunnelEnd() {
        if (recorder.Count(EVT_TUNNEL_FINISHED) + recorder.Count(EVT_SESSION_FAILURE) > 0) return;
        tunnel->Delete();
        PumpUntil([&] { return recorder.Count(EVT_TUNNEL_FINISHED) > 0; },
                  std::chrono::seconds(30));
    }
    TunnelEnd(const TunnelEnd&) = delete;
    TunnelEnd& operator=(const TunnelEnd&) = delete;

  private:
    EventRecorder& recorder;
    SshTunnel* tunnel;
};
