#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <vector>

#include "platform/StopSignal.h"

// Documents taken off the print queue's server and not yet through their print program. Until
// it prints, the server's copy is a document's only durable one, so the queue takes the next
// only when there is room for it here: the print programs that run and one waiting beside
// them. Shared by the print queue's worker (waits, adds) and the GUI thread (removes).
class PrintBacklog {
  public:
    explicit PrintBacklog(std::size_t most_held);

    // Waits until one more document may be taken, or a stop comes; true when there is room.
    bool WaitForRoom(const StopSignal& stop);
    // A document was taken off the server and is on its way to the print program.
    void Add();
    // A document is through: printed, kept after a failure, or saved.
    void Remove();
    std::size_t Held() const { return held.load(); }

  private:
    const std::size_t most_held;
    std::atomic<std::size_t> held{0};
    std::mutex mutex;
    std::vector<const StopSignal*> waiters;  // woken on a removal
};
