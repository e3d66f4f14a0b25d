#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

// Whether the forwarding ssh's local port can be handed to the viewer. ssh's error output also
// carries the server's pre-authentication banner, so no line in it is trusted alone: the
// forwarding counts as ready only when ssh has said that it authenticated and then that the
// forwarding listens, and the local port is then taken while ssh still runs. What is kept of
// the output is bounded, whatever the server sends.
class ForwardingReadiness {
  public:
    struct Limits {
        std::size_t max_line = 1024;  // bytes kept of one line; the rest of it is dropped
        std::size_t max_lines = 32;   // the latest lines are kept, for the failure's reason
    };

    explicit ForwardingReadiness(std::uint16_t local_port);
    ForwardingReadiness(std::uint16_t local_port, Limits limits);

    // Bytes of ssh's error output, in the order they came.
    void Feed(const std::string& bytes);
    // The output has ended: an unfinished last line counts as a line.
    void Finish();

    bool Authenticated() const { return authenticated; }
    bool ListeningReported() const { return listening_reported; }
    // Both reports seen, in that order, and the local port is taken now. Call only while ssh
    // runs.
    bool Ready() const;

    // The last line that is not a debug line (usually why ssh gave up), else the last line.
    std::string Reason() const;
    const std::deque<std::string>& Lines() const { return lines; }

  private:
    void TakeLine(std::string line);

    std::uint16_t local_port;
    Limits limits;
    std::string partial;
    bool dropping = false;  // the current line is over the limit; skip to its end
    std::deque<std::string> lines;
    bool authenticated = false;
    bool listening_reported = false;
};

// ssh -v prints these at the start of a line: after the server accepted the key (OpenSSH 8.9
// and later say the first, earlier ones the second), and once the local forwarding listens.
extern const char* const kAuthenticatedMarker;
extern const char* const kAuthenticatedMarkerBefore89;
extern const char* const kForwardingReadyMarker;
