#include "platform/ErrorTail.h"

namespace {
constexpr int kReadIntervalMs = 100;
constexpr std::size_t kMaxPerTick = 1 << 20;  // keeps one tick short on the GUI thread

// Reads what is waiting on stream (at most max_bytes) and hands it to take.
template <typename Take>
void Drain(wxInputStream* stream, std::size_t max_bytes, Take take) {
    if (stream == nullptr) return;
    char buffer[16384];
    std::size_t total = 0;
    // CanRead() says a read will not block; Read() then returns what is there (0 at the end).
    while (total < max_bytes && stream->CanRead()) {
        stream->Read(buffer, sizeof buffer);
        const std::size_t count = stream->LastRead();
        if (count == 0) break;
        take(buffer, count);
        total += count;
    }
}
}  // namespace

ErrorTailProcess::ErrorTailProcess() : wxProcess(nullptr, wxID_ANY), read_timer(this) {
    Redirect();
    Bind(wxEVT_TIMER, &ErrorTailProcess::OnReadTimer, this, read_timer.GetId());
}

ErrorTailProcess::~ErrorTailProcess() {
    read_timer.Stop();
}

void ErrorTailProcess::StartReading() {
    read_timer.Start(kReadIntervalMs);
}

void ErrorTailProcess::FinishReading() {
    read_timer.Stop();
    ReadAvailable();
    if (!current_line.empty()) last_line = current_line;
    current_line.clear();
}

void ErrorTailProcess::OnReadTimer(wxTimerEvent&) {
    ReadAvailable();
}

void ErrorTailProcess::ReadAvailable() {
    Drain(GetInputStream(), kMaxPerTick, [](const char*, std::size_t) {});
    Drain(GetErrorStream(), kMaxPerTick,
          [this](const char* data, std::size_t size) { TakeErrorBytes(data, size); });
}

void ErrorTailProcess::TakeErrorBytes(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n' || c == '\r') {
            if (!current_line.empty()) last_line = current_line;
            current_line.clear();
        } else if (current_line.size() < kMaxLineBytes) {
            current_line += c;
        }
    }
}
