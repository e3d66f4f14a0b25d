#include "session/ForwardingReadiness.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#endif

#include <algorithm>
#include <utility>

#include "app/records/ReplyFields.h"

const char* const kAuthenticatedMarker = "Authenticated to ";
const char* const kAuthenticatedMarkerBefore89 = "debug1: Authentication succeeded (";
const char* const kForwardingReadyMarker = "debug1: Local forwarding listening on 127.0.0.1 port";

namespace {

bool StartsWith(const std::string& line, const char* prefix) {
    return line.rfind(prefix, 0) == 0;
}

// A refused loopback connection is reported at once on Linux but only after retries on
// Windows; the wait is short either way, and the caller asks again a moment later.
constexpr int kConnectWaitMs = 200;

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

#ifdef _WIN32
using Socket = SOCKET;
const Socket kNone = INVALID_SOCKET;
void Close(Socket s) {
    closesocket(s);
}
bool SetNonBlocking(Socket s) {
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
bool ConnectPending() {
    return WSAGetLastError() == WSAEWOULDBLOCK;
}
bool WaitConnected(Socket s) {
    WSAPOLLFD entry{};
    entry.fd = s;
    entry.events = POLLWRNORM;
    if (WSAPoll(&entry, 1, kConnectWaitMs) <= 0) return false;
    int error = 0;
    int length = sizeof error;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error == 0 && (entry.revents & POLLWRNORM) != 0;
}
#else
using Socket = int;
const Socket kNone = -1;
void Close(Socket s) {
    ::close(s);
}
bool SetNonBlocking(Socket s) {
    const int flags = fcntl(s, F_GETFL, 0);
    return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
bool ConnectPending() {
    return errno == EINPROGRESS;
}
bool WaitConnected(Socket s) {
    pollfd entry{};
    entry.fd = s;
    entry.events = POLLOUT;
    if (poll(&entry, 1, kConnectWaitMs) <= 0) return false;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return false;
    return error == 0;
}
#endif

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
    return authenticated && listening_reported && LoopbackPortAccepts(local_port);
}

std::string ForwardingReadiness::Reason() const {
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        if (!it->empty() && it->rfind("debug", 0) != 0) return ShownText(*it);
    }
    return lines.empty() ? std::string() : ShownText(lines.back());
}

bool LoopbackPortAccepts(std::uint16_t port) {
    const Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNone) return false;
    bool accepted = false;
    if (SetNonBlocking(s)) {
        const sockaddr_in address = Loopback(port);
        const int result = connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        accepted = result == 0 || (ConnectPending() && WaitConnected(s));
    }
    Close(s);
    return accepted;
}

bool LoopbackPortFree(std::uint16_t port) {
    const Socket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNone) return false;
#ifndef _WIN32
    // As ssh sets it for its own listener: a port left in TIME_WAIT is free for it.
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
#endif
    const sockaddr_in address = Loopback(port);
    const bool bound = bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    Close(s);
    return bound;
}
