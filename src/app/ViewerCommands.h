#pragma once

#include <string>

#include "app/records/Records.h"
#include "platform/ProgramLayout.h"

// The command lines of the programs that show a ready desktop session, built from the session
// and the program layout alone. "cwd" is the client's working folder; folders and programs are
// joined with the layout's separator. A path with a blank is put in double quotes; everything
// else is written exactly as the service and the viewers expect it. Builders that need the
// viewer's local port throw the forwarding rule's std::string message for a port it refuses.

std::string ProgramFolder(const ProgramLayout& layout, const std::string& cwd,
                          const std::string& folder);

// Puts text in double quotes when the command line would otherwise split it or change it;
// other text is returned unchanged. Windows keeps backslashes as they are (they are folder
// separators there); the Linux command-line splitter treats them as escapes.
std::string QuoteIfNeeded(const ProgramLayout& layout, const std::string& text);

std::string VncViewerCommand(const ProgramLayout& layout, const std::string& cwd,
                             const MirlNxSession& session, const std::string& desktop_proxy);

std::string XServerCommand(const ProgramLayout& layout, const std::string& cwd);

// The NX proxy's root folder: on Windows "/cygdrive/" + the temporary folder with "\" turned
// into "/" and ":" removed; elsewhere the temporary folder as it is.
std::string NxRoot(const ProgramLayout& layout, const std::string& temp_dir);

std::string NxProxyCommand(const ProgramLayout& layout, const std::string& cwd,
                           const MirlNxSession& session, const std::string& temp_dir);

// The ssh that forwards the session's port and its FTP and WebDAV drives in tunnel mode.
std::string ForwardingSshCommand(const ProgramLayout& layout, const std::string& cwd,
                                 const MirlNxSession& session, const std::string& key_file);

std::string MapFtpCommand(const ProgramLayout& layout, const std::string& username,
                          const std::string& ftp_salt, const std::string& password);
std::string MapWebdavCommand(const ProgramLayout& layout);
std::string UnmapFtpCommand(const ProgramLayout& layout);
