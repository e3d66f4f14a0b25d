#include "platform/ErrorTail.h"

#include <algorithm>

namespace {
using std::chrono::milliseconds;
// From the quickest look, while output comes, to the slowest, when none has come for a while.
// A pipe holds at least 64 KiB, so a program stalls only if it writes more within the slowest
// interval right after a quiet spell.
constexpr milliseconds kBusyInterval{100};
constexpr milliseconds kQuietInterval{1600};
constexpr std::size_t kMaxPerLook = 1 << 20;  // keeps one look short on the GUI thread

// Reads what is waiting on stream (at most max_bytes) and hands it to take; true at its end.
template <typename Take>
bool Drain(wxInputStream* stream, std::size_t max_bytes, Take take) {
    if (stream == nullptr) return true;
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
    return stream->Eof();
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
    read_interval = kBusyInterval;
    read_timer.StartOnce(static_cast<int>(read_interval.count()));
}

void ErrorTailProcess::StopReading() {
    read_timer.Stop();
    read_interval = milliseconds(0);
}

void ErrorTailProcess::FinishReading() {
    StopReading();
    ReadAvailable(nullptr);
    if (!current_line.empty()) last_line = current_line;
    current_line.clear();
}

std::string ErrorTailProcess::ReadError(bool& ended) {
    std::string text;
    ended = ReadAvailable(&text).error_ended;
    return text;
}

void ErrorTailProcess::OnReadTimer(wxTimerEvent&) {
    const Look look = ReadAvailable(nullptr);
    if ((look.output_ended && look.error_ended) || read_interval.count() == 0) return;
    read_interval = look.came ? kBusyInterval : std::min(read_interval * 2, kQuietInterval);
    read_timer.StartOnce(static_cast<int>(read_interval.count()));
}

ErrorTailProcess::Look ErrorTailProcess::ReadAvailable(std::string* error_text) {
    Look look;
    look.output_ended =
        Drain(GetInputStream(), kMaxPerLook, [&](const char*, std::size_t) { look.came = true; });
    look.error_ended =
        Drain(GetErrorStream(), kMaxPerLook, [&](const char* data, std::size_t size) {
            look.came = true;
            TakeErrorBytes(data, size);
            if (error_text != nullptr) error_text->append(data, size);
        });
    return look;
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
