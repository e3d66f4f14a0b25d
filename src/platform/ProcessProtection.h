#pragma once

// The client's memory holds the user's password, the session cookie and private keys: no core
// dump of it may land on disk, and no other program of the same user may read it by debugging
// it. Called once at start-up.
void KeepMemoryPrivate();
