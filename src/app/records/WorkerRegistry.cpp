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
    // Only noted: wxThread::Delete waits for the thread on Windows, and the worker would wait
    // here in Remove for this lock, so neither would ever go on.
    std::lock_guard<std::mutex> lock(registry_mutex);
    if (alive.count(thread) != 0) asked.insert(thread);
    return wxTHREAD_NO_ERROR;
}

bool StopRequested(const wxThread* thread) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    return asked.count(const_cast<wxThread*>(thread)) != 0;
}

bool IsAlive(wxThread* thread) {
    std::lock_guard<std::mutex> lock(registry_mutex);
    return alive.count(thread) != 0;
}

}  // namespace worker_registry
