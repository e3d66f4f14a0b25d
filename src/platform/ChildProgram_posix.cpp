#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/evtloopsrc.h>
#include <wx/process.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ChildProgram.h"
#include "platform/PipeStreams.h"

extern char** environ;

// The client has worker threads, so a forked copy of it may run nothing but the exec: a lock
// another thread held at the fork (the allocator's, say) is never released in the copy. Every
// setting of the program (its folder, environment, streams, session) is therefore prepared
// here and applied by the C library's posix_spawn, which runs no code of ours in the child.
// Its end is heard of on the GUI thread through a descriptor of the process (pidfd) that the
// event loop watches; where the system has none, through SIGCHLD.
namespace {
// Sets the parent-death signal (PR_SET_PDEATHSIG) and runs the command in its place, so the
// program keeps its process id.
constexpr const char* kSetpriv = "/usr/bin/setpriv";

// As the toolkit reports an end: the status as a signed byte (255 is -1), a signal as its
// negative number.
int EndStatus(int wait_status) {
    if (WIFEXITED(wait_status)) return static_cast<signed char>(WEXITSTATUS(wait_status));
    if (WIFSIGNALED(wait_status)) return -WTERMSIG(wait_status);
    return -1;
}

class EndWatch;

// A program started and not yet reaped.
struct Started {
    wxProcess* process = nullptr;     // who hears of its end (may be null)
    std::shared_ptr<EndWatch> watch;  // null where the system has no process descriptors
};

// Never destroyed: a program may outlive the client, and its watch the toolkit.
std::map<pid_t, Started>& Running() {
    static auto* running = new std::map<pid_t, Started>;
    return *running;
}

// Reaps the program if it has ended and tells its process object.
void ReapIfEnded(pid_t pid) {
    int wait_status = 0;
    pid_t reaped = 0;
    do {
        reaped = ::waitpid(pid, &wait_status, WNOHANG);
    } while (reaped < 0 && errno == EINTR);
    const auto found = Running().find(pid);
    if (reaped == 0 || found == Running().end()) return;
    wxProcess* const process = found->second.process;
    Running().erase(found);
    if (process != nullptr) process->OnTerminate(pid, reaped == pid ? EndStatus(wait_status) : -1);
}

// Watches one program's descriptor, which becomes readable when the program ends. Kept alive
// by its entry in Running() and, once that is gone, until the event loop has let go of it.
class EndWatch : public wxEventLoopSourceHandler, public std::enable_shared_from_this<EndWatch> {
  public:
    EndWatch(pid_t pid, int descriptor) : pid(pid), descriptor(descriptor) {}
    ~EndWatch() override { ::close(descriptor); }
    EndWatch(const EndWatch&) = delete;
    EndWatch& operator=(const EndWatch&) = delete;

    bool Watch() {
        source.reset(wxEventLoopBase::AddSourceForFD(descriptor, this, wxEVENT_SOURCE_INPUT));
        return source != nullptr;
    }

    void OnReadWaiting() override {
        if (source == nullptr) return;
        // The descriptor stays readable: it is watched no longer. This object stays until the
        // loop that called it has certainly returned.
        source.reset();
        std::shared_ptr<EndWatch> self = shared_from_this();
        wxAppConsole::GetInstance()->CallAfter([self] {});
        ReapIfEnded(pid);
    }
    void OnWriteWaiting() override {}
    void OnExceptionWaiting() override {}

  private:
    const pid_t pid;
    const int descriptor;
    std::unique_ptr<wxEventLoopSource> source;
};

// Where the system has no process descriptors: one SIGCHLD may stand for several ends.
void ReapAllEnded(int) {
    std::vector<pid_t> pids;
    for (const auto& [pid, started] : Running()) {
        if (started.watch == nullptr) pids.push_back(pid);
    }
    for (pid_t pid : pids) ReapIfEnded(pid);  // OnTerminate may start more
}

// A watch on the program's end, or null when the system offers no process descriptor.
std::shared_ptr<EndWatch> WatchEnd(pid_t pid) {
    const int descriptor = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (descriptor < 0) return nullptr;
    ::fcntl(descriptor, F_SETFD, FD_CLOEXEC);
    auto watch = std::make_shared<EndWatch>(pid, descriptor);
    return watch->Watch() ? watch : nullptr;
}

// The child's environment: the client's, with the given variables set on top.
std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& set) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        if (set.count(text.substr(0, text.find('='))) == 0) entries.push_back(text);
    }
    for (const auto& [name, value] : set) entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The three pipes of a program whose streams the client reads; each is {the program's end,
// the client's end}.
struct Pipes {
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    int error[2] = {-1, -1};

    bool Open() { return Make(input, true) && Make(output, false) && Make(error, false); }
    void CloseProgramEnds() {
        for (int* ends : {input, output, error}) Close(ends[0]);
    }
    void CloseClientEnds() {
        for (int* ends : {input, output, error}) Close(ends[1]);
    }

  private:
    // Both ends close on exec: the program gets its end only as 0, 1 or 2.
    static bool Make(int* ends, bool program_reads) {
        int made[2];  // {read end, write end}
        if (::pipe2(made, O_CLOEXEC) != 0) return false;
        ends[0] = made[program_reads ? 0 : 1];
        ends[1] = made[program_reads ? 1 : 0];
        return true;
    }
    static void Close(int& fd) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

// posix_spawn's two settings objects, released however the start ends.
struct SpawnSettings {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSettings() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSettings() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;
};
}  // namespace

long LaunchProgram(const ProgramStart& start, wxProcess* process) {
    // No shell and no splitting: every argument arrives as it is, blanks included. A system
    // without setpriv starts the program as it is.
    std::vector<std::string> arguments;
    if (start.ends_with_client && ::access(kSetpriv, X_OK) == 0) {
        arguments = {kSetpriv, "--pdeathsig", "KILL", "--"};
    }
    for (const std::string& argument : start.command.Arguments()) arguments.push_back(argument);
    std::vector<std::string> environment = ChildEnvironment(start.environment);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);

    const bool redirected = process != nullptr && process->IsRedirected();
    Pipes pipes;
    if (redirected && !pipes.Open()) {
        pipes.CloseProgramEnds();
        pipes.CloseClientEnds();
        return 0;
    }
    SpawnSettings settings;
    if (redirected) {
        posix_spawn_file_actions_adddup2(&settings.actions, pipes.input[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&settings.actions, pipes.output[0], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&settings.actions, pipes.error[0], STDERR_FILENO);
    }
    if (!start.working_folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&settings.actions, start.working_folder.c_str());
    }
    // Nothing of the client's but the three standard streams: no socket, no key file.
    posix_spawn_file_actions_addclosefrom_np(&settings.actions, STDERR_FILENO + 1);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    // A session of its own, so that ending the group ends what the program started too.
    if (start.group_leader) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&settings.attributes, flags);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&settings.attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&settings.attributes, &defaults);

    pid_t pid = 0;
    const int failed = ::posix_spawnp(&pid, argv[0], &settings.actions, &settings.attributes,
                                      argv.data(), envp.data());
    pipes.CloseProgramEnds();
    if (failed != 0) {
        pipes.CloseClientEnds();
        return 0;
    }
    if (process != nullptr) process->SetPid(pid);
    if (redirected) {
        process->SetPipeStreams(new PipeInputStream(pipes.output[1]),
                                new PipeOutputStream(pipes.input[1]),
                                new PipeInputStream(pipes.error[1]));
    }
    // Heard of on the GUI thread after this returns, even if the program has ended already.
    Started& started = Running()[pid];
    started.process = process;
    started.watch = WatchEnd(pid);
    if (started.watch == nullptr) {
        wxAppConsole::GetInstance()->SetSignalHandler(SIGCHLD, ReapAllEnded);
        wxAppConsole::GetInstance()->CallAfter(
            [pid] { ReapIfEnded(pid); });  // it may have ended before that
    }
    return pid;
}
