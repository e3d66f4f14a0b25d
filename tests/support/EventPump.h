#pragma once

#include <chrono>
#include <functional>

// Runs the toolkit's event loop (queued events, child-process ends, timers) until done()
// holds or the timeout passes. Returns done()'s last value.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Runs the event loop for the given time.
void PumpFor(std::chrono::milliseconds duration);
