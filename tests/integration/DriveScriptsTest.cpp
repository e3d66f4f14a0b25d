// The Linux drive scripts against the sandbox's real FTP and WebDAV servers, reached through a
// real OpenSSH forwarding on the fixed local ports, with gio under a private session bus.
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "service/Sha256Hex.h"
#include "support/ChildProcess.h"
#include "support/DriveForwarding.h"
#include "support/OtherUser.h"
#include "support/Sandbox.h"
#include "support/TempDir.h"

namespace {
using namespace std::chrono_literals;

const std::string kUser = "Ann Lee@home";
const std::string kEncodedUser = "Ann%20Lee%40home";
const std::string kPassword = "p\xC3\xA4ss word";
const std::string kSalt = "pepper-salt";
const std::string kWelcome = "This is your drive on the sandbox.";
const std::string kScripts = std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux/scripts";

class DriveScripts : public testing::Test {
  protected:
    DriveScripts() : sandbox(Options()) {}

    static SandboxOptions Options() {
        SandboxOptions options;
        options.ssh = true;
        options.drives = true;
        options.scenario = {{"accounts", {{kUser, {{"password", kPassword}}}}},
                            {"drives", {{"salt", kSalt}}}};
        return options;
    }

    void StartForwarding() { ASSERT_TRUE(forwarding.Start()); }

    // Runs a shell script under its own session bus. S is the scripts' folder, U the user; the
    // FTP password hash is in TOLLIVANCE_FTP_HASH, as the client passes it; the drive scripts
    // keep their notes in a folder of this test.
    void RunInSessionBus(const std::string& script, const std::string& wait = "60",
                         const std::string& hash = "") {
        session = std::make_unique<ChildProcess>(
            std::vector<std::string>{"timeout", "170", "dbus-run-session", "--", "sh", "-c",
                                     script + "\necho 'R end'"},
            std::vector<std::string>{"S=" + kScripts, "U=" + kUser, "EU=" + kEncodedUser,
                                     "TOLLIVANCE_FTP_HASH=" + (hash.empty() ? Hash() : hash),
                                     "XDG_RUNTIME_DIR=" + runtime.path(),
                                     "TOLLIVANCE_DRIVE_WAIT=" + wait});
    }
    // The rest of the next result line "R <name>=...".
    std::string Result(const std::string& name, std::chrono::seconds timeout = 90s) {
        return session->WaitForLine("R " + name + "=", timeout);
    }
    static std::string Hash(const std::string& password = kPassword) {
        return Sha256Hex(kSalt + password);
    }
    std::string NotesFolder() const {
        return runtime.path() + "/tollivance-drives-" + std::to_string(getuid());
    }

    Sandbox sandbox;
    DriveForwarding forwarding{sandbox};
    TempDir runtime;
    std::unique_ptr<ChildProcess> session;
};

const char* const kListMounts =
    "echo \"R mounts=$(gio mount -l 2>/dev/null | sed -n 's/^Mount([0-9]*): .* -> //p' | sort | "
    "tr '\\n' ' ')\"\n";

// unmapftp.sh runs when the forwarding ends, which carried both drives: both go, as the
// port of either is anyone's to take afterwards.
TEST_F(DriveScripts, BothDrivesMountThroughTheForwardingAndUnmappingUndoesBoth) {
    StartForwarding();
    RunInSessionBus(
        std::string("sh \"$S/mapftp.sh\" \"$U\"; echo \"R mapftp=$?\"\n"
                    "sh \"$S/mapwebdav.sh\"; echo \"R mapwebdav=$?\"\n"
                    // A later session's mapping finds the drive still mounted.
                    "echo \"R again=$(sh \"$S/mapwebdav.sh\" 2>&1)$?\"\n"
                    "echo \"R ftp=$(gio cat \"ftp://$EU@127.0.0.1:8021/welcome.txt\")\"\n"
                    "echo \"R dav=$(gio cat dav://127.0.0.1:8022/welcome.txt)\"\n") +
        kListMounts + "sh \"$S/unmapftp.sh\"; echo \"R unmapftp=$?\"\n" + kListMounts);
    EXPECT_EQ(Result("mapftp"), "0");
    EXPECT_EQ(Result("mapwebdav"), "0");
    EXPECT_EQ(Result("again"), "0");
    EXPECT_EQ(Result("ftp"), kWelcome);
    EXPECT_EQ(Result("dav"), kWelcome);
    // The user name is percent-encoded in the URL: the server saw the name as it is.
    EXPECT_EQ(Result("mounts"),
              "dav://127.0.0.1:8022/ ftp://" + kEncodedUser + "@127.0.0.1:8021/ ");
    EXPECT_EQ(Result("unmapftp"), "0");
    EXPECT_EQ(Result("mounts"), "");
    EXPECT_FALSE(FileExists(NotesFolder() + "/ftp.url"));
}

// The hash comes in the script's environment and is on no command line at any moment: in the
// script, its subshells or gio, while it waits and while it mounts.
TEST_F(DriveScripts, MapFtpWaitsForAForwardingThatStartsLaterWithTheHashOnNoCommandLine) {
    std::atomic<bool> watching{true};
    std::vector<std::string> seen;
    std::thread watcher([&] {
        while (watching) {
            for (const std::string& line : CommandLinesWith(Hash())) seen.push_back(line);
            std::this_thread::sleep_for(10ms);
        }
    });
    RunInSessionBus(
        "sh \"$S/mapftp.sh\" \"$U\" & echo 'R started=1'; wait $!; echo \"R mapftp=$?\"\n"
        "echo \"R ftp=$(gio cat \"ftp://$EU@127.0.0.1:8021/welcome.txt\")\"\n"
        "sh \"$S/unmapftp.sh\"\n");
    EXPECT_EQ(Result("started"), "1");
    std::this_thread::sleep_for(1500ms);
    StartForwarding();
    EXPECT_EQ(Result("mapftp"), "0");
    watching = false;
    watcher.join();
    EXPECT_THAT(seen, testing::IsEmpty()) << "the FTP password hash is on a command line";
    EXPECT_EQ(Result("ftp"), kWelcome);
}

// Each script alone, with nothing forwarded (or the session ending first): it ends within its
// bound, with its exit status and the line it leaves on its error output.
TEST_F(DriveScripts, WithoutAForwardingTheScriptsEndWithinTheirBoundAndSaySo) {
    struct Case {
        const char* script;
        const char* wait;
        const char* status;
        const char* message;
    } cases[] = {
        {"out=$(sh \"$S/mapftp.sh\" \"$U\" 2>&1)", "2", "1",
         "mapftp.sh: nothing listens on 127.0.0.1:8021 after 2s; the FTP drive is not mapped"},
        {"out=$(sh \"$S/mapwebdav.sh\" 2>&1)", "2", "1",
         "mapwebdav.sh: nothing listens on 127.0.0.1:8022 after 2s; the WebDAV drive is not "
         "mapped"},
        // The session ends while the FTP mapping still waits: unmapping stops it.
        {"sh \"$S/mapftp.sh\" \"$U\" & sleep 1; sh \"$S/unmapftp.sh\"; out=; wait $!", "60", "143",
         ""},
        // The hash on the command line, or none in the environment: refused.
        {"out=$(TOLLIVANCE_FTP_HASH= sh \"$S/mapftp.sh\" \"$U\" 2>&1)", "2", "2",
         "usage: TOLLIVANCE_FTP_HASH=PASSWORD_HASH mapftp.sh USER"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const auto start = std::chrono::steady_clock::now();
        RunInSessionBus(std::string(c.script) + "; echo \"R status=$? $out\"", c.wait);
        EXPECT_EQ(Result("status", 40s), std::string(c.status) + " " + c.message);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
        EXPECT_FALSE(FileExists(NotesFolder() + "/mapftp.pid"));
    }
}

// Another user listening first on a drive port would be handed the drive (or the FTP password
// hash): the script names the port and maps nothing.
TEST_F(DriveScripts, APortTakenByAnotherUserIsNamedAndNothingIsMapped) {
    OtherUser other;
    const auto squatter = other.Listen(8022);
    RunInSessionBus(std::string("out=$(sh \"$S/mapwebdav.sh\" 2>&1); echo \"R status=$? $out\"\n") +
                    kListMounts);
    EXPECT_EQ(Result("status", 60s),
              "1 mapwebdav.sh: port 8022 on this computer is taken by another user; the WebDAV "
              "drive is not mapped");
    EXPECT_EQ(Result("mounts"), "");
}

TEST_F(DriveScripts, AWrongFtpPasswordIsReportedAndLeavesNothingMounted) {
    StartForwarding();
    RunInSessionBus(std::string("out=$(sh \"$S/mapftp.sh\" \"$U\" 2>&1); "
                                "echo \"R mapftp=$? $out\"\n") +
                        kListMounts,
                    "60", Hash("not the password"));
    EXPECT_THAT(Result("mapftp"),
                testing::StartsWith("1 mapftp.sh: the FTP drive ftp://" + kEncodedUser +
                                    "@127.0.0.1:8021/ could not be mounted"));
    EXPECT_EQ(Result("mounts"), "");
}

// The WebDAV drive has no password: its port serves the user's own processes alone. Another
// user's connection is closed before a byte of the drive passes.
TEST_F(DriveScripts, TheWebdavPortServesOnlyTheUsersOwnProcesses) {
    OtherUser other;
    StartForwarding();
    const std::string get =
        "import socket\n"
        "s = socket.create_connection(('127.0.0.1', 8022), timeout=20)\n"
        "s.sendall(b'GET /welcome.txt HTTP/1.0\\r\\nHost: 127.0.0.1\\r\\n\\r\\n')\n"
        "reply = b''\n"
        "try:\n"
        "    while chunk := s.recv(65536): reply += chunk\n"
        "except ConnectionResetError:\n"  // closed with the request unread
        "    pass\n"
        "print('R welcome=%s' % (b'" +
        kWelcome + "' in reply))\n";
    const struct Case {
        const char* name;
        std::vector<std::string> prefix;
        const char* welcome;
    } cases[] = {
        {"the user's own process", {}, "True"},
        {"another user's", {"runuser", "-u", other.name(), "--"}, "False"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> argv = c.prefix;
        argv.insert(argv.end(), {"/usr/bin/python3", "-c", get});
        ChildProcess client(argv);
        EXPECT_EQ(client.WaitForLine("R welcome=", 30s), c.welcome);
    }
}

// A mapped drive goes when the program that mapped it (the client) ends, however it ends: the
// forwarding went with it, and the port is then anyone's to take.
TEST_F(DriveScripts, AMappedDriveIsUnmountedWhenTheClientIsKilled) {
    StartForwarding();
    RunInSessionBus(
        std::string(
            "sh -c 'sh \"$S/mapwebdav.sh\"; echo \"R mapwebdav=$?\"; exec sleep 600' &\n"
            "client=$!\n"
            "for i in $(seq 600); do gio mount -l | grep -q dav: && break; sleep 0.1; done\n"
            "kill -KILL $client\n"
            "for i in $(seq 100); do gio mount -l | grep -q dav: || break; sleep 0.1; done\n") +
        kListMounts);
    EXPECT_EQ(Result("mapwebdav"), "0");
    EXPECT_EQ(Result("mounts"), "");
}
}  // namespace
