#pragma once

#include <functional>

// The system's requests that the client end (POSIX: SIGTERM, and SIGHUP when the user logs off;
// Windows: the console's close, log-off and shut-down events) run on_request once, on the GUI
// thread, soon after the request: a signal handler itself may do nothing but note it, so the
// toolkit's event loop is woken and calls it. Call once the application object exists.
// POSIX: a second request, while the first is handled, ends the client at once.
void CatchTerminationRequests(std::function<void()> on_request);
