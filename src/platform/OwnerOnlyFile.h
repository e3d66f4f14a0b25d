#pragma once

class wxFile;

// Makes an open file readable and writable by its owner only (POSIX mode 0600; on Windows one
// protected access entry for the current user); false when that failed.
bool RestrictToOwner(wxFile& file);

// Keeps an open file from the child programs started while it is open (on Windows a child whose
// output is read inherits every inheritable handle, and one holding a document's handle would
// keep it from being removed).
void KeepFromChildren(wxFile& file);
