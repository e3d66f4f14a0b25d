#pragma once

#include <wx/thread.h>

#include <functional>

// Detached worker threads delete themselves when they end, so the application may still hold a
// pointer to one that is already gone (its end event not yet handled). Workers that the
// application stops register for their lifetime, and every stop request goes through here, so
// no stop ever touches a thread object that no longer exists.
namespace worker_registry {

// Called by the worker's constructor and, first thing, by its destructor. on_stop is how the
// worker hears a stop request: it wakes whatever the worker waits in.
void Add(wxThread* thread, std::function<void()> on_stop);
void Remove(wxThread* thread);

// Asks a live worker to end, without waiting for it: on_stop runs once, here. Not
// wxThread::Delete, which on Windows waits even for a detached thread, handling no messages,
// while the ending worker would wait for this registry in Remove. A worker that is gone, or was
// asked before, is left alone and counts as a success.
wxThreadError RequestStop(wxThread* thread);

bool IsAlive(wxThread* thread);

}  // namespace worker_registry
