#pragma once

class wxFile;

// Makes an open file readable and writable by its owner only (POSIX mode 0600; on Windows one
// protected access entry for the current user); false when that failed.
bool RestrictToOwner(wxFile& file);
