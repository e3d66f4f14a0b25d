#pragma once

class wxFile;
class wxString;

// Makes an open file readable and writable by its owner only (POSIX mode 0600; on Windows one
// protected access entry for the current user); false when that failed.
bool RestrictToOwner(wxFile& file);

// Keeps an open file that other code opened from the child programs started from now on (on Windows
// a child whose output is read inherits every inheritable handle, and one holding a document's
// handle would keep it from being removed).
void KeepFromChildren(wxFile& file);

// Creates a new file of a fresh name in folder and opens it in file for writing, kept from child
// programs from its creation (a handle that is never inheritable, a descriptor closed on exec),
// so no program started meanwhile on another thread can get it; on POSIX it is owner-only.
// Returns its path, or "" when it could not be made.
wxString CreateTempFileKeptFromChildren(const wxString& folder, wxFile& file);
