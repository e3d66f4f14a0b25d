#pragma once

#include <string>
#include <vector>

#include "support/TempDir.h"

// A client working folder laid out like an installed one, with recording stand-ins for the
// viewer, X server, NX proxy, print program and drive scripts (each logs its process id and
// arguments, then runs until killed or, for the scripts and the print program, ends at once),
// and the real OpenSSH adapter. The process works inside it while it exists.
class WorkingFolder {
  public:
    WorkingFolder();
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::string& path() const { return folder.path(); }

    // One entry per start of the program ("viewer", "xserver", "nxproxy", "print", "mapftp",
    // "mapwebdav", "unmapftp"): its arguments, each in [brackets], then the NX cookie or FTP
    // password hash from its environment as {NAME=value}.
    std::vector<std::string> Calls(const std::string& program) const;
    // The process id of the latest start of a program, or -1.
    int LastPid(const std::string& program) const;
    // True while the latest start of the program is still running.
    bool Running(const std::string& program) const;

    // Puts the real Linux adapter (from bundle/linux) where the stand-in was.
    void UseAdapter(const std::string& relative_path);

    // Makes a keeps-running stand-in start a child of its own and wait for it, as a viewer with
    // helper processes does; the child logs under "<name>-child".
    void GiveChild(const std::string& relative_path, const std::string& name);

    // Makes a stand-in write a few lines to its error output, the last one error_line, and end
    // at once with exit status 3, as a program that gives up does.
    void FailAtOnce(const std::string& relative_path, const std::string& error_line);
    // The same after running for `seconds`, ending with `status`.
    void FailAfter(const std::string& relative_path, const std::string& error_line, int seconds,
                   int status);

    // Puts the real Linux adapter folder (e.g. "turbovnc") in place of the stand-in.
    void UseBundled(const std::string& folder_name);

  private:
    void StandIn(const std::string& relative_path, const std::string& name, bool keeps_running);

    TempDir folder;
    TempDir logs;
    std::vector<std::string> keep_running;  // the logs of stand-ins that end only when killed
    std::string previous_cwd;
};
