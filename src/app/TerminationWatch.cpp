#include "app/TerminationWatch.h"

#include "platform/TerminationRequest.h"

namespace {
constexpr int kLookEveryMs = 200;
}

void TerminationWatch::Begin() {
    CatchTerminationRequests();
    Start(kLookEveryMs);
}

void TerminationWatch::Notify() {
    if (!TerminationRequested()) return;
    Stop();
    shutdown();
}
