#pragma once

#include <wx/string.h>

// The user's Downloads folder, made (owner-only) when it is missing. Linux: the XDG download
// folder as xdg-user-dir finds it (user-dirs.dirs, then $XDG_DOWNLOAD_DIR), else
// $HOME/Downloads; Windows: the Downloads known folder. Throws a std::string message for the
// user when there is none or it cannot be made.
wxString DownloadsFolder();

// Whether a file can be named so: on Linux when the locale's character set can write the name;
// always on Windows, whose file names are Unicode.
bool FileNameCanHold(const wxString& name);
