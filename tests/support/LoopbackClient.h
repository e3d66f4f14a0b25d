#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Connects to 127.0.0.1:port, sends bytes, and reads until as many bytes came back, the peer
// closes, or the timeout passes; returns what came back. Throws std::runtime_error when the
// connection cannot be made.
std::string LoopbackRoundTrip(std::uint16_t port, const std::string& bytes,
                              std::chrono::milliseconds timeout = std::chrono::seconds(10));
