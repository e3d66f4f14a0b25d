#include "records/WorkerRegistry.h"

#include <map>
#include <mutex>
#include <set>
#include <utility>

namespace worker_registry {
namespace {
std::mutex registry_mutex;
std::map<wxThread*, std::function<void()>> alive;  // with how each hears a stop
std::set<wxThread*> asked;
}  // namespace

void Add(wxThread* thread, std::function<void()> on_stop) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    alive[thread] = std::move(on_stop);
    asked.erase(thread);
}

void Remove(wxThread* thread) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    alive.erase(thread);
    asked.erase(thread);
}

wxThreadError RequestStop(wxThread* thread) {
    // Held while on_stop runs: a worker that is ending waits in Remove until it has.
    std::lock_guard<std::mutex> lock(registry_mutex);
    const auto found = alive.find(thread);
    if (found == alive.end() || !asked.insert(thread).second) return wxTHREAD_NO_ERROR;
    if (found->second) found->second();
    return wxTHREAD_NO_ERROR;
}

bool IsAlive(wxThread* thread) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    return alive.count(thread) != 0;
}

}  // namespace worker_registry
