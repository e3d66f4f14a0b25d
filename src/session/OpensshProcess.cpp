#include "session/OpensshProcess.h"

#include <atomic>

#include "records/Events.h"

namespace {
std::atomic<int> live_objects{0};
}  // namespace

OpensshProcess::OpensshProcess(wxEvtHandler* sink_handler) : sink(sink_handler) {
    ++live_objects;
}

OpensshProcess::~OpensshProcess() {
    --live_objects;
}

int OpensshProcess::LiveCount() {
    return live_objects.load();
}

void OpensshProcess::OnTerminate(int, int) {
    StopReading();
    ended = true;
    if (abandoned) {
        delete this;  // nobody holds it: the start that created it has failed
        return;
    }
    QueueThreadEvent(sink, EVT_TUNNEL_FINISHED, std::string("Tunnel connection finished"));
}

void OpensshProcess::Abandon() {
    StopReading();
    abandoned = true;
}
