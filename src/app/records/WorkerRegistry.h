#pragma once

#include <wx/thread.h>

// Detached worker threads delete themselves when they end, so the application may still hold a
// pointer to one that is already gone (its end event not yet handled). Workers that the
// application stops register for their lifetime, and every stop request goes through here, so
// no stop ever touches a thread object that no longer exists.
namespace worker_registry {

// Called by the worker's constructor and, first thing, by its destructor.
void Add(wxThread* thread);
void Remove(wxThread* thread);

// Asks a live worker to end without waiting for it; the worker sees it in StopRequested (its
// TestDestroy). A worker that is gone, or was asked before, is left alone and counts as a
// success.
wxThreadError RequestStop(wxThread* thread);
bool StopRequested(const wxThread* thread);

bool IsAlive(wxThread* thread);

}  // namespace worker_registry
