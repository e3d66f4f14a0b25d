#pragma once

// The system's requests that the client end (POSIX: SIGTERM, and SIGHUP when the user logs off;
// Windows: the console's close, log-off and shut-down events) are noted here only: the handler
// runs at any point of any thread and may do nothing else safely. The GUI thread asks
// TerminationRequested() from a timer and shuts down as Exit does.
void CatchTerminationRequests();
bool TerminationRequested();
