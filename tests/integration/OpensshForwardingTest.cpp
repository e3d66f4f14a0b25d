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
#include "support/LoopbackPorts.h"
#include "support/Sandbox.h"
#include "support/TcpPeer.h"
#include "support/TempDir.h"

namespace {

const char* const kAuthenticatedLine =
    "Authenticated to 127.0.0.1 ([127.0.0.1]:22) using \"publickey\".";

// A session port whose local forwarding port (port + 4000) was free a moment ago.
std::uint16_t FreeSessionPort() {
    return static_cast<std::uint16_t>(FreeLoopbackPort() - 4000);
}

std::string ReadyLine(std::uint16_t session_port) {
    return "debug1: Local forwarding listening on 127.0.0.1 port " +
           std::to_string(session_port + 4000) + ".";
}

// A stand-in body that does what ssh does once it is up: listens on the local forwarding port,
// writes text to its standard error, then runs the Python statements of then.
std::string Listening(std::uint16_t session_port, const std::string& text,
                      const std::string& then = "time.sleep(60)") {
    std::string literal;
    for (const char c : text) {
        static const char hex[] = "0123456789abcdef";
        const auto byte = static_cast<unsigned char>(c);
        literal += std::string("\\x") + hex[byte >> 4] + hex[byte & 15];
    }
    return "exec /usr/bin/python3 - <<'PY'\n"
           "import os, socket, sys, time\n"
           "s = socket.socket()\n"
           "s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
           "s.bind(('127.0.0.1', " +
           std::to_string(session_port + 4000) +
           "))\n"
           "s.listen(8)\n"
           "sys.stderr.buffer.write(b'" +
           literal +
           "')\n"
           "sys.stderr.flush()\n" +
           then + "\nPY";
}

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
        WriteWholeFile(script, "#!/bin/sh\nrecord='" + record + "'\nexport record\n" + R"(
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

MirlNxSession Session(std::uint16_t port = FreeSessionPort()) {
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

TEST(OpensshForwarding, WaitsUntilAuthenticatedListeningAndAcceptingThenRemovesTheKey) {
    const std::uint16_t port = FreeSessionPort();
    StandInSsh ssh("echo hello from the shell\n" +
                   Listening(port, std::string("debug1: Reading configuration data\n") +
                                       kAuthenticatedLine +
                                       "\ndebug1: Local forwarding listening on ::1 port " +
                                       std::to_string(port + 4000) + ".\nx " + ReadyLine(port) +
                                       "\n" + ReadyLine(port) + "\n"));
    EventRecorder sink;
    OpensshProcess* process = StartSshForwarding(&sink, Server(2222), Session(port), ssh.Options());
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(FilesIn(ssh.temp).empty());
    EXPECT_EQ(ReadWholeFile(ssh.record + "/key"), "-----KEY-----\n");
    EXPECT_EQ(ReadWholeFile(ssh.record + "/key_mode"), "600\n");
    EXPECT_EQ(ReadWholeFile(ssh.record + "/cwd"), ssh.work + "/openssh\n");
    const std::string args = ReadWholeFile(ssh.record + "/args");
    EXPECT_EQ(args.substr(0, args.find("-i\n")),
              "-o\nUserKnownHostsFile=/dev/null\n-o\nStrictHostKeyChecking=no\n-o\n"
              "ExitOnForwardFailure=yes\n-p\n2222\n-v\n");
    EXPECT_EQ(args.substr(args.find("-l\n")), "-l\nmirlnx\n-L\n" + std::to_string(port + 4000) +
                                                  ":127.0.0.1:" + std::to_string(port) +
                                                  "\n127.0.0.1\n");
    EXPECT_EQ(args.find(ssh.temp + "/"), args.find("-i\n") + 3) << "key path is one argument";
    EXPECT_EQ(sink.events().size(), 0u);
    StopAndDelete(sink, process);
}

TEST(OpensshForwarding, ReportsThatAreNotBackedByAListenerAreNotReady) {
    struct Case {
        const char* name;
        std::string body;
    };
    const std::uint16_t port = FreeSessionPort();
    const std::vector<Case> cases = {
        {"listening reported, nobody listens", std::string("echo '") + kAuthenticatedLine +
                                                   "' >&2\necho '" + ReadyLine(port) +
                                                   "' >&2\nexec sleep 60"},
        {"listening without authenticating", Listening(port, ReadyLine(port) + "\n")},
    };
    for (const Case& c : cases) {
        StandInSsh ssh(c.body);
        EventRecorder sink;
        EXPECT_EQ(FailedStart(sink, Server(), Session(port),
                              ssh.Options(std::chrono::milliseconds(1500))),
                  "The secure tunnel was not ready within 1.5 seconds")
            << c.name;
    }
}

TEST(OpensshForwarding, MarkerOnlyInsideLinesIsNotReady) {
    const std::uint16_t port = FreeSessionPort();
    StandInSsh ssh(Listening(port, std::string(kAuthenticatedLine) + "\nx " + ReadyLine(port)));
    EventRecorder sink;
    const std::string message =
        FailedStart(sink, Server(), Session(port), ssh.Options(std::chrono::milliseconds(1500)));
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
    // a local port that another program holds
    TcpPeer holder(TcpPeer::Echo());
    const auto taken = static_cast<std::uint16_t>(holder.Port() - 4000);
    EXPECT_EQ(FailedStart(sink, Server(), Session(taken), options),
              "The local port " + std::to_string(holder.Port()) + " is already in use");
    EXPECT_FALSE(FileExists(ssh.record + "/args"));
    options.working_folder = ssh.root.File("nowhere");
    EXPECT_EQ(FailedStart(sink, Server(), Session(), options),
              "The tunnel program " + options.working_folder + "/openssh/ssh cannot be started");
}

TEST(OpensshForwarding, KeepsDrainingStandardErrorAfterTheMarker) {
    // Far more than a pipe holds: ssh would stall on a pipe nobody reads.
    const std::uint16_t port = FreeSessionPort();
    StandInSsh ssh(Listening(port, std::string(kAuthenticatedLine) + "\n" + ReadyLine(port) + "\n",
                             "sys.stderr.write('d' * 3000000)\nsys.stderr.flush()\n"
                             "sys.stdout.write('o' * 300000)\nsys.stdout.flush()\n"
                             "open(os.environ['record'] + '/drained', 'w').close()\n"
                             "time.sleep(60)"));
    EventRecorder sink;
    OpensshProcess* process = StartSshForwarding(&sink, Server(), Session(port), ssh.Options());
    EXPECT_TRUE(PumpUntil([&] { return FileExists(ssh.record + "/drained"); }))
        << "ssh is stuck writing to a full pipe";
    StopAndDelete(sink, process);
}

TEST(OpensshForwarding, SshEndingOnItsOwnQueuesTunnelFinished) {
    const std::uint16_t port = FreeSessionPort();
    StandInSsh ssh(Listening(port, std::string(kAuthenticatedLine) + "\n" + ReadyLine(port) + "\n",
                             "time.sleep(3)"));
    EventRecorder sink;
    OpensshProcess* process = StartSshForwarding(&sink, Server(), Session(port), ssh.Options());
    const auto* finished = sink.WaitFor(EVT_TUNNEL_FINISHED);
    ASSERT_NE(finished, nullptr);
    EXPECT_EQ(EventRecorder::Text(*finished), "Tunnel connection finished");
    EXPECT_EQ(sink.events().size(), 1u);
    delete process;
    EXPECT_EQ(OpensshProcess::LiveCount(), 0);
}

// The real OpenSSH client through the bundled adapter, against the sandbox's mirlnx account.
struct RealSsh {
    Sandbox sandbox{SandboxOptions().WithSsh().WithDesktop()};
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
    // Only the viewer's connection reached the desktop: finding the forwarding ready took none
    // (an NX agent serves only the first).
    EXPECT_EQ(ReadWholeFile(real.sandbox.StateDir() + "/desktop_connections.txt"), "connection\n");
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

namespace {

TEST(OpensshForwarding, RealSshBannerImitatingReadinessIsNotTrusted) {
    RealSsh real;
    const std::string local = std::to_string(real.session.port + 4000);
    real.sandbox.SetScenario(
        {{"ssh",
          {{"auth", "refuse"},
           {"banner", std::string(kAuthenticatedLine) + "\n" +
                          "debug1: Local forwarding listening on 127.0.0.1 port " + local +
                          ".\n"}}}});
    EventRecorder sink;
    const std::string message = FailedStart(sink, real.server, real.session, real.options);
    EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
}

TEST(OpensshForwarding, EndlessOutputWithoutLineEndsKeepsTheMessageShort) {
    // 64 MB in one line, as a banner without line ends comes out of ssh.
    StandInSsh ssh("head -c 67108864 /dev/zero | tr '\\0' 'B' >&2\nexit 255");
    EventRecorder sink;
    EXPECT_EQ(FailedStart(sink, Server(), Session(), ssh.Options()),
              "The secure tunnel ended before it was ready: " + std::string(500, 'B') + "...");
}

}  // namespace
