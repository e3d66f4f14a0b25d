// The Linux NX proxy adapter with Debian's nxproxy against the sandbox's real NX agent.
#include <signal.h>
#include <sys/stat.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ViewerCommands.h"
#include "support/ChildProcess.h"
#include "support/Sandbox.h"
#include "support/TempDir.h"
#include "support/XvfbDisplay.h"

namespace {
using namespace std::chrono_literals;

const std::string kBundle = std::string(TOLLIVANCE_SOURCE_DIR) + "/bundle/linux";
const std::string kAdapter = kBundle + "/nxproxy/nxproxy";

std::string ProcessCommandLine(int pid) {
    std::string line = ReadWholeFile("/proc/" + std::to_string(pid) + "/cmdline");
    for (char& c : line) c = c == '\0' ? ' ' : c;
    return line;
}

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout,
             std::chrono::milliseconds step = 100ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

class NxProxyAdapter : public testing::Test {
  protected:
    static SandboxOptions Options() {
        SandboxOptions options;
        options.nx = true;
        return options;
    }

    XvfbDisplay display;
    Sandbox sandbox{Options()};
    TempDir root;      // the client's temporary folder, the NX root
    TempDir private_;  // the adapter's TMPDIR, for its options folder
};

// The cookie comes in the adapter's environment and is on no command line at any moment: in
// the adapter, its subshells or nxproxy (nor, in the sandbox, the agent's).
TEST_F(NxProxyAdapter, ShowsTheAgentsDesktopWithTheCookieInAPrivateFileUntilTheProxyEnds) {
    MirlNxSession session;
    session.port = static_cast<std::uint16_t>(sandbox.Port("nx"));
    session.cookie = sandbox.Ready().at("nx_cookie").get<std::string>();
    // The client's own command line and environment, in a working folder of the real adapters.
    std::vector<std::string> environment = {"TMPDIR=" + private_.path(), "XDG_RUNTIME_DIR="};
    for (const auto& [name, value] : NxProxyEnvironment(LinuxLayout(), session)) {
        environment.push_back(name + "=" + value);
    }
    ChildProcess proxy(NxProxyCommand(LinuxLayout(), kBundle, session, root.path()).Arguments(),
                       environment);
    std::vector<std::string> seen;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const std::string& line : CommandLinesWith(session.cookie)) seen.push_back(line);
            return WindowShown("Sandbox NX desktop");
        },
        30s, 10ms))
        << "the NX desktop did not reach the display " << display.display();
    EXPECT_THAT(seen, testing::IsEmpty());

    const std::string proxy_line = ProcessCommandLine(proxy.pid());
    EXPECT_THAT(proxy_line, testing::StartsWith("/usr/bin/nxproxy -S options=" + private_.path()));
    const std::vector<std::string> folders = Entries(private_.path());
    ASSERT_EQ(folders.size(), 1u);
    const std::string options = private_.File(folders[0]) + "/options";
    struct stat file_info {};
    ASSERT_EQ(stat(options.c_str(), &file_info), 0);
    EXPECT_EQ(file_info.st_mode & 0777, 0600u);
    EXPECT_THAT(ReadWholeFile(options), testing::HasSubstr(",cookie=" + session.cookie +
                                                           ",session=mirl,fullscreen=0,shmem=1,"
                                                           "shpix=1,connect=tcp:127.0.0.1:" +
                                                           std::to_string(session.port) + ":0"));

    // The client ends the viewer with its whole group, with no chance to tidy up.
    kill(-proxy.pid(), SIGKILL);
    EXPECT_TRUE(WaitFor(
        [&] {
            proxy.Running();  // reaps it, as the client does
            return Entries(private_.path()).empty();
        },
        5s))
        << "the options file outlived the proxy";
    // The proxy's session folder and cache (pictures of the desktop) went with it.
    EXPECT_THAT(Entries(root.path()), testing::IsEmpty());
    EXPECT_TRUE(WaitFor([] { return !WindowShown("Sandbox NX desktop"); }, 10s));
}

// Options the service could smuggle in through the cookie or the address are refused before
// anything starts or is written, and so is a cookie on the command line.
TEST(NxProxyAdapterOptions, RefusesOptionsItDoesNotExpect) {
    TempDir private_;
    const std::string good =
        "nx,root=/tmp,session=mirl,fullscreen=0,shmem=1,shpix=1,connect=127.0.0.1:4000";
    struct Case {
        std::vector<std::string> args;
        const char* cookie;
        const char* message;
        bool hidden_socket_table = false;  // a /proc of its own, empty
    } cases[] = {
        {{"-S", "nx,root=/tmp,session=mirl,listen=7000,connect=127.0.0.1:4000"},
         "0123abcd",
         "nxproxy: unknown option: listen"},
        {{"-S", good}, "not-hex", "nxproxy: the cookie is not hexadecimal"},
        {{"-S", good}, "", "nxproxy: no cookie given in TOLLIVANCE_NX_COOKIE"},
        {{"-S", "nx,root=/tmp,cookie=0123abcd,connect=127.0.0.1:4000"},
         "0123abcd",
         "nxproxy: the cookie goes in TOLLIVANCE_NX_COOKIE, never on a command line"},
        {{"-S", "nx,root=/tmp,session=mirl,session=x,connect=127.0.0.1:4000"},
         "0123abcd",
         "nxproxy: option given twice: session"},
        {{"-S", "nx,root=/tmp,session=mirl,connect=127.0.0.1:40x0"},
         "0123abcd",
         "nxproxy: unexpected port in connect"},
        {{"-S", "nx,root=/tmp,session=mirl"}, "0123abcd", "nxproxy: no connect address given"},
        {{"-S", "nx,root=relative,connect=127.0.0.1:4000"},
         "0123abcd",
         "nxproxy: root must be an absolute folder"},
        {{good}, "0123abcd", "nxproxy: usage: nxproxy -S nx,OPTION=VALUE,..."},
        // Whoever listens on the local end would get the cookie: no proof, no proxy.
        {{"-S", good},
         "0123abcd",
         "nxproxy: Cannot tell who listens on port 4000: /proc/net/tcp cannot be read; the "
         "desktop is not shown",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        std::vector<std::string> argv = {
            "unshare",
            "-m",
            "sh",
            "-c",
            std::string(c.hidden_socket_table ? "mount -t tmpfs none /proc && " : "") +
                "\"$0\" \"$@\" 2>&1; echo \"status=$?\"",
            kAdapter};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ChildProcess adapter(argv, {"TMPDIR=" + private_.path(), "XDG_RUNTIME_DIR=",
                                    "TOLLIVANCE_NX_COOKIE=" + std::string(c.cookie)});
        EXPECT_EQ(adapter.WaitForLine("nxproxy: ", 10s), std::string(c.message).substr(9));
        EXPECT_EQ(adapter.WaitForLine("status=", 10s), "2");
        EXPECT_THAT(Entries(private_.path()), testing::IsEmpty());
    }
}
}  // namespace
