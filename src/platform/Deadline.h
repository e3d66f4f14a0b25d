#pragma once

#include <algorithm>
#include <chrono>

// The moment a wait or a series of tries must end by, on the steady clock: the one way a
// deadline is written, so that none is computed on a clock that can jump.
class Deadline {
  public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(Clock::duration from_now) : at(Clock::now() + from_now) {}

    bool Passed() const { return Clock::now() >= at; }
    // What is left, rounded up to whole milliseconds; zero once passed.
    std::chrono::milliseconds Left() const {
        return std::max(std::chrono::ceil<std::chrono::milliseconds>(at - Clock::now()),
                        std::chrono::milliseconds::zero());
    }
    Clock::time_point At() const { return at; }

  private:
    Clock::time_point at;
};
