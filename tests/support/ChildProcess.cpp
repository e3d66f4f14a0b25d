#include "support/ChildProcess.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <thread>

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extra_env,
                           const std::string& stderr_path) {
    int out_pipe[2];
    int in_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(in_pipe, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        setpgid(0, 0);
        // A test killed by its timeout must not leave its helpers running.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(in_pipe[0], STDIN_FILENO);
        dup2(out_pipe[1], STDOUT_FILENO);
        if (!stderr_path.empty()) {
            const int err = open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (err >= 0) dup2(err, STDERR_FILENO);
        }
        for (const auto& e : extra_env) putenv(const_cast<char*>(e.c_str()));
        execvp(args[0], args.data());
        _exit(127);
    }
    setpgid(child, child);
    close(out_pipe[1]);
    close(in_pipe[0]);
    stdout_fd = out_pipe[0];
    stdin_fd = in_pipe[1];
}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::Running() {
    if (child <= 0 || exit_status >= 0) return false;
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == 0) return true;
    Reaped(status);
    return false;
}

void ChildProcess::Reaped(int status) {
    exit_status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Running()) {
        if (std::chrono::steady_clock::now() > deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return exit_status;
}

std::string ChildProcess::WaitForLine(const std::string& prefix,
                                      std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("timed out waiting for " + prefix);
        pollfd p{stdout_fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[4096];
        const ssize_t n = read(stdout_fd, buf, sizeof buf);
        if (n <= 0) throw std::runtime_error("helper ended before printing " + prefix);
        pending.append(buf, static_cast<size_t>(n));
    }
}

void ChildProcess::Stop() {
    if (stdin_fd >= 0) close(stdin_fd);
    stdin_fd = -1;
    if (child > 0 && exit_status < 0) {
        kill(-child, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                kill(-child, SIGKILL);
                waitpid(child, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (child > 0) {
        kill(-child, SIGKILL);  // anything the helper left in its group
        child = -1;
    }
    if (stdout_fd >= 0) close(stdout_fd);
    stdout_fd = -1;
}

std::vector<std::string> CommandLinesWith(const std::string& text) {
    std::vector<std::string> found;
    const std::unique_ptr<DIR, int (*)(DIR*)> proc(opendir("/proc"), closedir);
    if (proc == nullptr) return found;
    while (const dirent* entry = readdir(proc.get())) {
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream file("/proc/" + pid + "/cmdline", std::ios::binary);
        std::string line;
        try {
            line.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        } catch (const std::ios_base::failure&) {
            continue;  // the process ended between the listing and the read
        }
        for (char& c : line) c = c == '\0' ? ' ' : c;
        if (line.find(text) != std::string::npos) found.push_back(line);
    }
    return found;
}
