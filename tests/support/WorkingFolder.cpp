#include "support/WorkingFolder.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace {
// The shell line that logs a start: the process id, each argument in [brackets], and each secret
// the client passes in the environment as {NAME=value}.
std::string LogStart(const std::string& log) {
    // One write, so that a reader never sees half a line.
    return "s=$(env | sed -n "
           "'s/^\\(TOLLIVANCE_NX_COOKIE\\|TOLLIVANCE_FTP_HASH\\)=\\(.*\\)/ {\\1=\\2}/p' | tr -d "
           "'\\n')\nl=$$\nfor a; do l=\"$l [$a]\"; done\nprintf '%s%s\\n' \"$l\" \"$s\" >> '" +
           log + "'\n";
}
}  // namespace

WorkingFolder::WorkingFolder() {
    StandIn("turbovnc/turbovnc-client-go", "viewer", true);
    StandIn("vcxsrv/vcxsrv", "xserver", true);
    StandIn("nxproxy/nxproxy", "nxproxy", true);
    StandIn("sumatraPDF", "print", false);
    StandIn("scripts/mapftp.sh", "mapftp", false);
    StandIn("scripts/mapwebdav.sh", "mapwebdav", false);
    StandIn("scripts/unmapftp.sh", "unmapftp", false);
    // The real ssh adapter, with what it shares with the other adapters and drive scripts.
    UseBundled("openssh");
    UseBundled("common");
    UseAdapter("scripts/drivecommon.sh");
    previous_cwd = fs::current_path().string();
    fs::current_path(folder.path());
}

WorkingFolder::~WorkingFolder() {
    fs::current_path(previous_cwd);
    // Stand-ins the test left running end with it.
    for (const std::string& name : keep_running) {
        const std::string log = ReadWholeFile(logs.File(name + ".log"));
        std::istringstream lines(log);
        for (std::string line; std::getline(lines, line);) {
            const int pid = std::atoi(line.c_str());
            if (pid > 0) kill(pid, SIGKILL);
        }
    }
}

void WorkingFolder::StandIn(const std::string& relative_path, const std::string& name,
                            bool keeps_running) {
    const std::string file = folder.File(relative_path);
    fs::create_directories(fs::path(file).parent_path());
    WriteWholeFile(file, "#!/bin/sh\n" + LogStart(logs.File(name + ".log")) +
                             (keeps_running ? "exec sleep 600\n" : "exit 0\n"));
    chmod(file.c_str(), 0755);
    if (keeps_running) keep_running.push_back(name);
}

void WorkingFolder::UseAdapter(const std::string& relative_path) {
    const std::string file = folder.File(relative_path);
    fs::copy_file(std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux/" + relative_path, file,
                  fs::copy_options::overwrite_existing);
    chmod(file.c_str(), 0755);
}

void WorkingFolder::GiveChild(const std::string& relative_path, const std::string& name) {
    const std::string file = folder.File(relative_path);
    WriteWholeFile(file, "#!/bin/sh\n" + LogStart(logs.File(name + ".log")) +
                             "sleep 600 &\necho $! >> '" + logs.File(name + "-child.log") +
                             "'\nwait\n");
    chmod(file.c_str(), 0755);
    keep_running.push_back(name + "-child");
}

void WorkingFolder::UseBundled(const std::string& folder_name) {
    fs::copy(std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux/" + folder_name,
             folder.File(folder_name),
             fs::copy_options::overwrite_existing | fs::copy_options::recursive);
}

std::vector<std::string> WorkingFolder::Calls(const std::string& program) const {
    std::vector<std::string> calls;
    std::istringstream lines(ReadWholeFile(logs.File(program + ".log")));
    for (std::string line; std::getline(lines, line);) {
        const auto blank = line.find(' ');
        calls.push_back(blank == std::string::npos ? "" : line.substr(blank + 1));
    }
    return calls;
}

int WorkingFolder::LastPid(const std::string& program) const {
    std::istringstream lines(ReadWholeFile(logs.File(program + ".log")));
    int pid = -1;
    for (std::string line; std::getline(lines, line);) pid = std::atoi(line.c_str());
    return pid;
}

bool WorkingFolder::Running(const std::string& program) const {
    const int pid = LastPid(program);
    if (pid <= 0) return false;
    // A killed stand-in may linger as a zombie until the toolkit reaps it.
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const auto close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

void WorkingFolder::FailAtOnce(const std::string& relative_path, const std::string& error_line) {
    FailAfter(relative_path, error_line, 0, 3);
}

void WorkingFolder::FailAfter(const std::string& relative_path, const std::string& error_line,
                              int seconds, int status) {
    const std::string file = folder.File(relative_path);
    WriteWholeFile(file, "#!/bin/sh\necho 'starting' >&2\nsleep " + std::to_string(seconds) +
                             "\necho '" + error_line + "' >&2\necho\nexit " +
                             std::to_string(status) + "\n");
    chmod(file.c_str(), 0755);
}
