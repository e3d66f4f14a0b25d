#include "printing/PrintBacklog.h"

#include <algorithm>

PrintBacklog::PrintBacklog(std::size_t most_held_) : most_held(most_held_) {}

bool PrintBacklog::WaitForRoom(const StopSignal& stop) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        waiters.push_back(&stop);
    }
    // The count is read under the signal's lock, and every removal wakes the signal after
    // changing it: a removal is never missed between the reading and the sleep.
    const bool room = stop.WaitUntilReady([this] { return held.load() < most_held; });
    std::lock_guard<std::mutex> lock(mutex);
    waiters.erase(std::find(waiters.begin(), waiters.end(), &stop));
    return room;
}

void PrintBacklog::Add() {
    ++held;
}

void PrintBacklog::Remove() {
    std::lock_guard<std::mutex> lock(mutex);
    std::size_t now = held.load();
    // Never below zero: a document counted by an earlier queue that was not told is no reason
    // to take more than the room allows later.
    while (now > 0 && !held.compare_exchange_weak(now, now - 1)) {
    }
    // Under the lock: a waiter cannot leave, and its signal go, before it is woken.
    for (const StopSignal* waiter : waiters) waiter->Wake();
}
