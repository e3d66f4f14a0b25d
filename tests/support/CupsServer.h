#pragma once

#include <memory>
#include <string>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

// A private CUPS scheduler for one test, on a Unix socket in its own folder. While it lives,
// CUPS_SERVER points the process (and the programs it starts) at it.
class CupsServer {
  public:
    CupsServer();
    ~CupsServer();

    // lpadmin -p name -E -v device [extra...]; returns lpadmin's exit status.
    int AddPrinter(const std::string& name, const std::string& device = "file:///dev/null",
                   const std::string& extra = "");
    // A cups-pdf printer.
    int AddPdfPrinter(const std::string& name);
    // A raw printer whose every job is copied to output_file (its folder must be writable by
    // the scheduler's "lp" user).
    int AddCapturePrinter(const std::string& name, const std::string& output_file);
    int SetDefault(const std::string& name);
    // Runs a CUPS client command line against this scheduler; returns its exit status.
    int Run(const std::string& command_line) const;

    const std::string& Socket() const { return socket_path; }
    const std::string& Folder() const { return folder.path(); }

  private:
    int RunAdmin(const std::string& command_line) const;

    TempDir folder;
    std::string socket_path;
    std::string previous_server;
    bool had_previous = false;
    std::unique_ptr<ChildProcess> scheduler;
};
