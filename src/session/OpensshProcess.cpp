#include "session/OpensshProcess.h"

#include <atomic>

#include "app/records/Events.h"

namespace {
std::atomic<int> live_objects{0};
constexpr int kDrainIntervalMs = 100;
constexpr std::size_t kChunk = 16384;
constexpr std::size_t kMaxPerTick = 1 << 20;  // keeps one tick short on the GUI thread
}  // namespace

OpensshProcess::OpensshProcess(wxEvtHandler* sink_handler)
    : wxProcess(nullptr, wxID_ANY), sink(sink_handler), drain_timer(this) {
    ++live_objects;
    Bind(wxEVT_TIMER, &OpensshProcess::OnDrainTimer, this, drain_timer.GetId());
}

OpensshProcess::~OpensshProcess() {
    drain_timer.Stop();
    --live_objects;
}

int OpensshProcess::LiveCount() {
    return live_objects.load();
}

void OpensshProcess::OnTerminate(int, int) {
    drain_timer.Stop();
    ended = true;
    if (abandoned) {
        delete this;  // nobody holds it: the start that created it has failed
        return;
    }
    QueueThreadEvent(sink, EVT_TUNNEL_FINISHED, std::string("Tunnel connection finished"));
}

void OpensshProcess::Abandon() {
    drain_timer.Stop();
    abandoned = true;
}

void OpensshProcess::KeepDraining() {
    drain_timer.Start(kDrainIntervalMs);
}

bool OpensshProcess::ReadAvailable(wxInputStream* stream, std::string* sink_text,
                                   std::size_t max_bytes) {
    if (stream == nullptr) return false;
    char buffer[kChunk];
    std::size_t total = 0;
    // CanRead() says a read will not block; Read() then returns what is there (0 at the end).
    while (total < max_bytes && stream->CanRead()) {
        stream->Read(buffer, sizeof buffer);
        const std::size_t count = stream->LastRead();
        if (count == 0) break;
        if (sink_text != nullptr) sink_text->append(buffer, count);
        total += count;
    }
    return stream->Eof();
}

std::string OpensshProcess::ReadError(bool& ended) {
    ReadAvailable(GetInputStream(), nullptr, kMaxPerTick);
    std::string bytes;
    ended = ReadAvailable(GetErrorStream(), &bytes, kMaxPerTick) || GetErrorStream() == nullptr;
    return bytes;
}

void OpensshProcess::OnDrainTimer(wxTimerEvent&) {
    const bool out_ended = ReadAvailable(GetInputStream(), nullptr, kMaxPerTick);
    const bool err_ended = ReadAvailable(GetErrorStream(), nullptr, kMaxPerTick);
    if (out_ended && err_ended) drain_timer.Stop();
}
