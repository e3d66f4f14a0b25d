#pragma once

#include <cstdint>

class wxString;

// The diagnostic log's file, opened for appending: created readable by its owner only, never
// reached through a symbolic link planted at its path, and only ever a regular file (a pipe
// or device there would stall or misdirect the client). Returns a file descriptor for wxFile
// and sets size to the file's present length; throws a std::string message on failure.
int OpenLogFile(const wxString& path, std::uint64_t& size);
