#include "session/ForwardingReadiness.h"

#include <algorithm>
#include <utility>

#include "platform/LoopbackSocket.h"
#include "records/ShownText.h"

const char* const kAuthenticatedMarker = "Authenticated to ";
const char* const kAuthenticatedMarkerBefore89 = "debug1: Authentication succeeded (";
const char* const kForwardingReadyMarker = "debug1: Local forwarding listening on 127.0.0.1 port";

namespace {

bool StartsWith(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

}  // namespace

ForwardingReadiness::ForwardingReadiness(std::uint16_t port)
    : ForwardingReadiness(port, Limits{}) {}

ForwardingReadiness::ForwardingReadiness(std::uint16_t port, Limits bounds)
    : local_port(port), limits(bounds) {}

void ForwardingReadiness::Feed(const std::string& bytes) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        const std::size_t stop = end == std::string::npos ? bytes.size() : end;
        if (!dropping) {
            const std::size_t room = limits.max_line - partial.size();
            const std::size_t take = std::min(room, stop - start);
            partial.append(bytes, start, take);
            // A line that outgrows the limit is kept cut; what follows of it is dropped.
            if (take < stop - start) dropping = true;
        }
        if (end == std::string::npos) break;
        TakeLine(std::move(partial));
        partial.clear();
        dropping = false;
        start = end + 1;
    }
}

void ForwardingReadiness::Finish() {
    if (!partial.empty()) TakeLine(std::move(partial));
    partial.clear();
    dropping = false;
}

void ForwardingReadiness::TakeLine(std::string line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // ssh reports the forwarding only after the server accepted the key; a listening report
    // before that came from the banner.
    if (StartsWith(line, kAuthenticatedMarker) || StartsWith(line, kAuthenticatedMarkerBefore89)) {
        authenticated = true;
    } else if (authenticated && StartsWith(line, kForwardingReadyMarker)) {
        listening_reported = true;
    }
    lines.push_back(std::move(line));
    while (lines.size() > limits.max_lines) lines.pop_front();
}

bool ForwardingReadiness::Ready() const {
    // The port was free before ssh started, so whoever holds it now is ssh. Not found out by
    // connecting: that connection would go through to the desktop, and some desktops (an NX
    // agent) serve only the first one.
    return authenticated && listening_reported && !LoopbackPortFree(local_port);
}

std::string ForwardingReadiness::Reason() const {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (!it->empty() && it->rfind("debug", 0) != 0) return ShownText(*it);
    }
    return lines.empty() ? std::string() : ShownText(lines.back());
}
