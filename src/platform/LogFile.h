#pragma once

#include <cstdint>
#include <string>

class wxString;

// The diagnostic log's file, opened for appending: created readable by its owner only, never
// reached through a symbolic link planted at its path, and only ever a regular file (a pipe
// or device there would stall or misdirect the client). Returns a file descriptor for wxFile
// and sets size to the file's present length; throws a std::string message on failure.
int OpenLogFile(const wxString& path, std::uint64_t& size);

// Moves the log at path to older by a rename alone, replacing whatever is at older (a link there
// is replaced itself, never followed) and never copying. Returns "" or why it failed.
std::string RenameLogFile(const wxString& path, const wxString& older);
