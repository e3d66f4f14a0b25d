#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A helper process of a test (sandbox, sshd, cupsd, Xvfb): started with its standard output on
// a pipe, ended with SIGTERM and, after a bounded wait, SIGKILL, together with its group.
class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& argv,
                 const std::vector<std::string>& extra_env = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads standard output until a line starting with prefix; returns the rest of that line.
    // Throws std::runtime_error when the process ends or the timeout passes first.
    std::string WaitForLine(const std::string& prefix, std::chrono::milliseconds timeout);
    void Stop();
    pid_t pid() const { return child; }
    bool Running();

  private:
    pid_t child = -1;
    int stdout_fd = -1;
    int stdin_fd = -1;  // closing it tells a well-behaved helper that we are gone
    std::string pending;
};

// The command lines (arguments joined by blanks) of every process whose command line holds text.
std::vector<std::string> CommandLinesWith(const std::string& text);
