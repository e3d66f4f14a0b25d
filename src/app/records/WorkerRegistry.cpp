#include "app/records/WorkerRegistry.h"

#include <mutex>
#include <set>

namespace worker_registry {
namespace {
std::mutex registry_mutex;
std::set<wxThread*> alive;
std::set<wxThread*> asked;
}  // namespace

void Add(wxThread* thread) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    alive.insert(thread);
    asked.erase(thread);
}

void Remove(wxThread* thread) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    alive.erase(thread);
    asked.erase(thread);
}

wxThreadError RequestStop(wxThread* thread) {
    // Held across Delete: a worker that is ending waits in Remove until the request is made.
    std::lock_guard<std::mutex> lock(registry_mutex);
    if (alive.count(thread) == 0 || !asked.insert(thread).second) return wxTHREAD_NO_ERROR;
    return thread->Delete(nullptr, wxTHREAD_WAIT_BLOCK);  // detached: never waits
}

bool IsAlive(wxThread* thread) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    return alive.count(thread) != 0;
}

}  // namespace worker_registry
