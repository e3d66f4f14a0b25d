#include "app/Retirement.h"

#include <utility>

void Retirement::Add(std::function<bool()> ended, std::function<void()> release) {
    entries.push_back({std::move(ended), std::move(release)});
}

void Retirement::ReleaseEnded() {
    // A release may run code that hands over something new; the list is taken apart first.
    std::vector<Entry> running;
    std::vector<Entry> ended;
    for (Entry& entry : entries) (entry.ended() ? ended : running).push_back(std::move(entry));
    entries = std::move(running);
    for (Entry& entry : ended) {
        if (entry.release) entry.release();
    }
}

bool Retirement::AnyRunning() {
    ReleaseEnded();
    return !entries.empty();
}
