#pragma once

#include <map>
#include <string>

#include "platform/CommandLine.h"
#include "platform/ProgramLayout.h"
#include "records/Records.h"

// The command lines of the programs that show a ready desktop session, built from the session
// and the program layout alone. "cwd" is the client's working folder; folders and programs are
// joined with the layout's separator. The command's text is the fixed Windows command line, to
// the byte; its arguments are what a POSIX system passes on. Builders that need the viewer's
// local port throw the forwarding rule's std::string message for a port it refuses.

CommandLine VncViewerCommand(const ProgramLayout& layout, const std::string& cwd,
                             const MirlNxSession& session, const std::string& desktop_proxy);

// What the viewer's environment adds to the client's: the cookie, where the layout keeps it off
// the command line.
std::map<std::string, std::string> VncViewerEnvironment(const ProgramLayout& layout,
                                                        const MirlNxSession& session);

CommandLine XServerCommand(const ProgramLayout& layout, const std::string& cwd);

// The NX proxy's root folder: on Windows "/cygdrive/" + the temporary folder with "\" turned
// into "/" and ":" removed; elsewhere the temporary folder as it is.
std::string NxRoot(const ProgramLayout& layout, const std::string& temp_dir);

// The cookie is in the "-S" options unless the layout passes it in the environment.
CommandLine NxProxyCommand(const ProgramLayout& layout, const std::string& cwd,
                           const MirlNxSession& session, const std::string& temp_dir);
// What the NX proxy's environment adds to the client's: the layout's display, and the cookie
// where the layout keeps it off the command line.
std::map<std::string, std::string> NxProxyEnvironment(const ProgramLayout& layout,
                                                      const MirlNxSession& session);

// The ssh that forwards the session's port and its FTP and WebDAV drives in tunnel mode.
CommandLine ForwardingSshCommand(const ProgramLayout& layout, const std::string& cwd,
                                 const MirlNxSession& session, const std::string& key_file);

// The salted password hash is the script's second argument unless the layout passes it in the
// environment (MapFtpEnvironment).
CommandLine MapFtpCommand(const ProgramLayout& layout, const std::string& username,
                          const std::string& ftp_salt, const std::string& password);
std::map<std::string, std::string> MapFtpEnvironment(const ProgramLayout& layout,
                                                     const std::string& ftp_salt,
                                                     const std::string& password);
CommandLine MapWebdavCommand(const ProgramLayout& layout);
CommandLine UnmapFtpCommand(const ProgramLayout& layout);
