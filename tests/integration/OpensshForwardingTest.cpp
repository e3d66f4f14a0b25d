#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "session/OpensshForwarding.h"
#include "session/OpensshProcess.h"
#include "support/EventPump.h"
#include "support/EventRecorder.h"
#include "support/LibSshLogin.h"
#include "support/LoopbackClient.h"
#include "support/Sandbox.h"
#include "support/TempDir.h"

namespace {

const char* const kReadyLine = "debug1: Local forwarding listening on 127.0.0.1 port 9901.";

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

std::string TunnelKey() {
    return BuildKeyText("tunnel_key");
}

// A working folder whose openssh/ssh is a script standing in for ssh: it records its arguments,
// its folder and what it finds in the key file, then runs the given body.
struct StandInSsh {
    TempDir root;
    std::string work = root.File("work folder");  // blanks on purpose
    std::string temp = root.File("temp folder");
    std::string record = root.File("record");

    explicit StandInSsh(const std::string& body) {
        for (const auto& dir : {work + "/openssh", temp, record})
            std::filesystem::create_directories(dir);
        const std::string script = work + "/openssh/ssh";
        WriteWholeFile(script, "#!/bin/sh\nrecord='" + record + "'\n" + R"(
for a in "$@"; do printf '%s\n' "$a"; done > "$record/args"
prev=
for a in "$@"; do
  if [ "$prev" = "-i" ]; then stat -c %a "$a" > "$record/key_mode"; cat "$a" > "$record/key"; fi
  prev=$a
done
pwd > "$record/cwd"
)" + body + "\n");
        ::chmod(script.c_str(), 0755);
    }

    ForwardingOptions Options(std::chrono::milliseconds timeout = std::chrono::seconds(20)) const {
        return ForwardingOptions{LinuxLayout(), work, temp, "-----KEY-----\n", timeout};
    }
};

MirlNxServer Server(std::uint16_t port = 22) {
    return MirlNxServer{"127.0.0.1", "127.0.0.1", port};
}

MirlNxSession Session(std::uint16_t port = 5901) {
    MirlNxSession session;
    session.host = "127.0.0.1";
    session.port = port;
    return session;
}

// A start that must fail: returns its message after the toolkit has seen the end of whatever
// was started.
std::string FailedStart(EventRecorder& sink, const MirlNxServer& server,
                        const MirlNxSession& session, const ForwardingOptions& options) {
    std::string message;
    try {
        OpensshProcess* process = StartSshForwarding(&sink, server, session, options);
        ADD_FAILURE() << "started";
        wxProcess::Kill(process->GetPid(), wxSIGKILL);
        sink.WaitFor(EVT_TUNNEL_FINISHED);
        delete process;
    } catch (const std::string& thrown) {
        message = thrown;
    }
    EXPECT_TRUE(PumpUntil([] { return OpensshProcess::LiveCount() == 0; }))
        << "the killed ssh was never reaped";
    EXPECT_TRUE(FilesIn(options.temp_folder).empty()) << "key file left behind";
    EXPECT_EQ(sink.Count(EVT_TUNNEL_FINISHED), 0u);
    return message;
}

void StopAndDelete(EventRecorder& sink, OpensshProcess* process) {
    wxProcess::Kill(process->GetPid(), wxSIGKILL, wxKILL_CHILDREN);
    const auto* finished = sink.WaitFor(EVT_TUNNEL_FINISHED);
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(EventRecorder::Text(*finished), "Tunnel connection finished");
    delete process;
}

TEST(OpensshForwarding, WaitsForTheMarkerAtTheStartOfALineThenRemovesTheKey) {
    StandInSsh ssh(std::string("echo 'debug1: Reading configuration data' >&2\n"
                               "echo 'debug1: Local forwarding listening on ::1 port 9901.' >&2\n"
                               "echo 'x debug1: Local forwarding listening on 127.0.0.1 port "
                               "9901.' >&2\n"
                               "echo hello from the shell\n"
                               "echo '") +
                   kReadyLine + "' >&2\nexec sleep 60");
    EventRecorder sink;
    OpensshProcess* process = StartSshForwarding(&sink, Server(2222), Session(), ssh.Options());
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(FilesIn(ssh.temp).empty());
    EXPECT_EQ(ReadWholeFile(ssh.record + "/key"), "-----KEY-----\n");
    EXPECT_EQ(ReadWholeFile(ssh.record + "/key_mode"), "600\n");
    EXPECT_EQ(ReadWholeFile(ssh.record + "/cwd"), ssh.work + "/openssh\n");
    const std::string args = ReadWholeFile(ssh.record + "/args");
    EXPECT_EQ(args.substr(0, args.find("-i\n")),
              "-o\nUserKnownHostsFile=/dev/null\n-o\nStrictHostKeyChecking=no\n-p\n2222\n-v\n");
    EXPECT_EQ(args.substr(args.find("-l\n")), "-l\nmirlnx\n-L\n9901:127.0.0.1:5901\n127.0.0.1\n");
    EXPECT_EQ(args.find(ssh.temp + "/"), args.find("-i\n") + 3) << "key path is one argument";
    EXPECT_EQ(sink.events().size(), 0u);
    StopAndDelete(sink, process);
}

TEST(OpensshForwarding, MarkerOnlyInsideLinesIsNotReady) {
    StandInSsh ssh(std::string("echo 'x ") + kReadyLine + "' >&2\nexec sleep 60");
    EventRecorder sink;
    const std::string message =
        FailedStart(sink, Server(), Session(), ssh.Options(std::chrono::milliseconds(1500)));
    EXPECT_EQ(message, "The secure tunnel was not ready within 1.5 seconds");
}

TEST(OpensshForwarding, SshThatEndsEarlyFailsWithItsReason) {
    StandInSsh ssh(
        "echo 'debug1: Connecting to 127.0.0.1 port 22.' >&2\n"
        "echo 'mirlnx@127.0.0.1: Permission denied (publickey).' >&2\n"
        "echo 'debug1: some last words' >&2\nexit 255");
    EventRecorder sink;
    EXPECT_EQ(FailedStart(sink, Server(), Session(), ssh.Options()),
              "The secure tunnel ended before it was ready: mirlnx@127.0.0.1: Permission denied "
              "(publickey).");
}

TEST(OpensshForwarding, MissingProgramOrUnusablePortStartsNothing) {
    StandInSsh ssh("exit 0");
    ForwardingOptions options = ssh.Options();
    EventRecorder sink;
    // a session port that leaves no local port
    EXPECT_EQ(FailedStart(sink, Server(), Session(61536), options),
              "The session's port 61536 leaves no local port for its forwarding");
    EXPECT_FALSE(FileExists(ssh.record + "/args"));
    options.working_folder = ssh.root.File("nowhere");
    EXPECT_EQ(FailedStart(sink, Server(), Session(), options),
              "The tunnel program " + options.working_folder + "/openssh/ssh cannot be started");
}

TEST(OpensshForwarding, KeepsDrainingStandardErrorAfterTheMarker) {
    // Far more than a pipe holds: ssh would stall on a pipe nobody reads.
    StandInSsh ssh(std::string("echo '") + kReadyLine +
                   "' >&2\n"
                   "head -c 3000000 /dev/zero | tr '\\0' 'd' >&2\n"
                   "head -c 300000 /dev/zero | tr '\\0' 'o'\n"
                   "touch \"$record/drained\"\nexec sleep 60");
    EventRecorder sink;
    OpensshProcess* process = StartSshForwarding(&sink, Server(), Session(), ssh.Options());
    EXPECT_TRUE(PumpUntil([&] { return FileExists(ssh.record + "/drained"); }))
        << "ssh is stuck writing to a full pipe";
    StopAndDelete(sink, process);
}

TEST(OpensshForwarding, SshEndingOnItsOwnQueuesTunnelFinished) {
    StandInSsh ssh(std::string("echo '") + kReadyLine + "' >&2\nexit 0");
    EventRecorder sink;
    OpensshProcess* process = StartSshForwarding(&sink, Server(), Session(), ssh.Options());
    const auto* finished = sink.WaitFor(EVT_TUNNEL_FINISHED);
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(EventRecorder::Text(*finished), "Tunnel connection finished");
    EXPECT_EQ(sink.events().size(), 1u);
    delete process;
    EXPECT_EQ(OpensshProcess::LiveCount(), 0);
}

// The real OpenSSH client through the bundled adapter, against the sandbox's mirlnx account.
struct RealSsh {
    Sandbox sandbox{SandboxOptions{false, true, false, true, nlohmann::json::object()}};
    TempDir temp;
    ForwardingOptions options{LinuxLayout(), std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux",
                              temp.path(), TunnelKey(), std::chrono::seconds(30)};
    MirlNxServer server = Server(static_cast<std::uint16_t>(sandbox.Port("ssh")));
    MirlNxSession session = Session(static_cast<std::uint16_t>(sandbox.Port("desktop")));
};

TEST(OpensshForwarding, RealSshCarriesBytesToTheDesktopAndBack) {
    RealSsh real;
    EventRecorder sink;
    OpensshProcess* process = StartSshForwarding(&sink, real.server, real.session, real.options);
    EXPECT_TRUE(FilesIn(real.temp.path()).empty());
    const std::string bytes = std::string("through the tunnel\0\xff", 20);
    EXPECT_EQ(LoopbackRoundTrip(static_cast<std::uint16_t>(real.session.port + 4000), bytes),
              bytes);
    EXPECT_EQ(ReadWholeFile(real.sandbox.StateDir() + "/desktop_received.bin"), bytes);
    StopAndDelete(sink, process);
}

TEST(OpensshForwarding, RealSshRefusedKeyFails) {
    RealSsh real;
    real.sandbox.SetScenario({{"ssh", {{"auth", "refuse"}}}});
    EventRecorder sink;
    const std::string message = FailedStart(sink, real.server, real.session, real.options);
    EXPECT_EQ(message.rfind("The secure tunnel ended before it was ready: ", 0), 0u) << message;
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
}

}  // namespace
