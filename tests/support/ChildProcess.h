#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// A helper process of a test (sandbox, sshd, cupsd, Xvfb): started with its standard output on
// a pipe, ended with SIGTERM and, after a bounded wait, SIGKILL, together with its group.
class ChildProcess {
  public:
    // stderr_path, when given, receives the helper's error output.
    ChildProcess(const std::vector<std::string>& argv,
                 const std::vector<std::string>& extra_env = {},
                 const std::string& stderr_path = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads standard output until a line starting with prefix; returns the rest of that line.
    // Throws std::runtime_error when the process ends or the timeout passes first.
    std::string WaitForLine(const std::string& prefix, std::chrono::milliseconds timeout);
    void Stop();
    pid_t pid() const { return child; }
    bool Running();
    // Waits for the helper to end by itself: its exit code, 128 + N when signal N ended it, or
    // -1 when it still runs after the timeout.
    int WaitForExit(std::chrono::milliseconds timeout);

  private:
    pid_t child = -1;
    int stdout_fd = -1;
    int stdin_fd = -1;  // closing it tells a well-behaved helper that we are gone
    std::string pending;
    int exit_status = -1;
    void Reaped(int status);
};

// The command lines (arguments joined by blanks) of every process whose command line holds text.
std::vector<std::string> CommandLinesWith(const std::string& text);
