#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/ViewerCommands.h"
#include "service/Sha256Hex.h"

namespace {
MirlNxSession VncSession() {
    MirlNxSession session;
    session.host = "10.0.0.5";
    session.port = 5901;
    session.cookie = "K";
    session.protocol = "vnc";
    return session;
}

struct Case {
    const char* name;
    CommandLine actual;
    std::string expected;
};
}  // namespace

TEST(ViewerCommands, ExactCommandLines) {
    const ProgramLayout win = WindowsLayout();
    const ProgramLayout lin = LinuxLayout();
    MirlNxSession websock = VncSession();
    websock.websock = true;
    MirlNxSession nx = VncSession();
    nx.protocol = "nx";
    nx.cookie = "c0ffee";
    MirlNxSession odd_cookie = VncSession();
    odd_cookie.cookie = "K 1\"'\\";

    const Case cases[] = {
        {"vnc default settings, local port P+4000, two-blank joins",
         VncViewerCommand(win, "C:\\Q", VncSession(), "desk.example"),
         "C:\\Q\\turbovnc\\turbovnc-client-go.exe  -clipboard-to-server -clipboard-from-server "
         " -compression 9 -quality 40 -subsample 2 127.0.0.1:9901 K"},
        {"vnc through the websocket proxy: P+5000 and the session host in the path",
         VncViewerCommand(lin, "/opt/q", websock, "proxy.example:8443"),
         "/opt/q/turbovnc/turbovnc-client-go  -clipboard-to-server -clipboard-from-server "
         " -compression 9 -quality 40 -subsample 2 "
         "wss://proxy.example:8443/desktop/https/10.0.0.5/10901"},
        {"vnc cookie with a blank, quotes and a backslash: one argument on Windows",
         VncViewerCommand(win, "C:\\Q", odd_cookie, "desk.example"),
         "C:\\Q\\turbovnc\\turbovnc-client-go.exe  -clipboard-to-server -clipboard-from-server "
         " -compression 9 -quality 40 -subsample 2 127.0.0.1:9901 \"K 1\\\"'\\\\\""},
        {"x server", XServerCommand(win, "C:\\Q"),
         "C:\\Q\\vcxsrv\\vcxsrv.exe :0 -silent-dup-error -multiwindow -clipboard -notrayicon"},
        {"nx proxy on windows",
         NxProxyCommand(win, "C:\\Q", nx, "C:\\Users\\x\\AppData\\Local\\Temp"),
         "C:\\Q\\nxproxy\\nxproxy.exe -S nx,root=/cygdrive/C/Users/x/AppData/Local/Temp,"
         "session=mirl,cookie=c0ffee,fullscreen=0,shmem=1,shpix=1,connect=127.0.0.1:5901"},
        {"nx proxy on linux keeps the temporary folder, the cookie goes in the environment",
         NxProxyCommand(lin, "/opt/q", nx, "/tmp"),
         "/opt/q/nxproxy/nxproxy -S nx,root=/tmp,session=mirl,fullscreen=0,"
         "shmem=1,shpix=1,connect=127.0.0.1:5901"},
        {"map webdav", MapWebdavCommand(win), "cscript.exe scripts\\mapwebdav.vbs"},
        {"unmap ftp", UnmapFtpCommand(lin), "sh scripts/unmapftp.sh"},
        {"map ftp: user and the salted hash of the password",
         MapFtpCommand(win, "ann", "s4lt", "pw"),
         "cscript.exe scripts\\mapftp.vbs ann " + Sha256Hex("s4ltpw")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.actual.Text(), c.expected) << c.name;
}

TEST(ViewerCommands, ForwardingSshWithDrives) {
    MirlNxSession session = VncSession();
    session.tunnel_mode = true;
    EXPECT_EQ(ForwardingSshCommand(WindowsLayout(), "C:\\Q", session, "C:\\T\\k1").Text(),
              "C:\\Q\\openssh\\ssh.exe -o UserKnownHostsFile=/dev/null -o "
              "StrictHostKeyChecking=no -o ExitOnForwardFailure=yes -i C:\\T\\k1 -l mirlnx -L "
              "9901:127.0.0.1:5901 -p 5901 "
              "127.0.0.1");

    session.ftp = {"ftp.in", 65535, "salt"};
    session.webdav = {"dav.in", 443, "x"};
    // The data port beside FTP port 65535 wraps to 0 in 16 bits.
    EXPECT_EQ(ForwardingSshCommand(LinuxLayout(), "/opt/q", session, "/tmp/k1").Text(),
              "/opt/q/openssh/ssh -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no -o "
              "ExitOnForwardFailure=yes "
              "-i /tmp/k1 -l mirlnx -L 8021:ftp.in:65535 -L 0:ftp.in:0 -L 8022:dav.in:443 "
              "-L 9901:127.0.0.1:5901 -p 5901 127.0.0.1");

    // ssh reads an IPv6 address in a forwarding only in brackets
    session.ftp = {"::1", 2121, "salt"};
    session.webdav = {"2001:db8::7", 8080, "x"};
    EXPECT_EQ(ForwardingSshCommand(LinuxLayout(), "/opt/q", session, "/tmp/k1").Text(),
              "/opt/q/openssh/ssh -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no -o "
              "ExitOnForwardFailure=yes "
              "-i /tmp/k1 -l mirlnx -L 8021:[::1]:2121 -L 2122:[::1]:2122 "
              "-L 8022:[2001:db8::7]:8080 -L 9901:127.0.0.1:5901 -p 5901 127.0.0.1");
}

TEST(ViewerCommands, PathsAndNamesWithBlanksStayWhole) {
    EXPECT_EQ(XServerCommand(WindowsLayout(), "C:\\Program Files\\Q").Text(),
              "\"C:\\Program Files\\Q\\vcxsrv\\vcxsrv.exe\" :0 -silent-dup-error -multiwindow "
              "-clipboard -notrayicon");
    EXPECT_EQ(MapFtpCommand(LinuxLayout(), "ann lee", "", "").Text(),
              "sh scripts/mapftp.sh \"ann lee\"");
}

// On POSIX the arguments go to the program as they are: a cookie or a user name is one
// argument whatever it holds, and the text's extra blanks are no empty arguments.
TEST(ViewerCommands, PosixArgumentsAreTheWordsOfTheCommand) {
    MirlNxSession session = VncSession();
    session.cookie = "K -via 10.0.0.1";
    EXPECT_EQ(
        VncViewerCommand(LinuxLayout(), "/opt/my q", session, "p").Arguments(),
        (std::vector<std::string>{"/opt/my q/turbovnc/turbovnc-client-go", "-clipboard-to-server",
                                  "-clipboard-from-server", "-compression", "9", "-quality", "40",
                                  "-subsample", "2", "127.0.0.1:9901"}));
    // The Linux viewer takes the cookie from its environment, off every command line.
    EXPECT_EQ(VncViewerEnvironment(LinuxLayout(), session),
              (std::map<std::string, std::string>{{"TOLLIVANCE_VNC_COOKIE", "K -via 10.0.0.1"}}));
    EXPECT_TRUE(VncViewerEnvironment(WindowsLayout(), session).empty());
    EXPECT_EQ(MapFtpCommand(LinuxLayout(), "ann \"lee\"", "s", "p").Arguments(),
              (std::vector<std::string>{"sh", "scripts/mapftp.sh", "ann \"lee\""}));
}

// On Linux the NX cookie and the FTP password hash go the same way as the VNC cookie; Windows
// keeps both on the fixed command lines and gives the NX proxy a display of its own.
TEST(ViewerCommands, LinuxSecretsGoInTheEnvironment) {
    MirlNxSession session = VncSession();
    session.cookie = "c0ffee";
    using Environment = std::map<std::string, std::string>;
    EXPECT_EQ(NxProxyEnvironment(LinuxLayout(), session),
              (Environment{{"TOLLIVANCE_NX_COOKIE", "c0ffee"}}));
    EXPECT_EQ(NxProxyEnvironment(WindowsLayout(), session),
              (Environment{{"DISPLAY", "127.0.0.1:0"}}));
    EXPECT_EQ(MapFtpEnvironment(LinuxLayout(), "s", "p"),
              (Environment{{"TOLLIVANCE_FTP_HASH", Sha256Hex("sp")}}));
    EXPECT_TRUE(MapFtpEnvironment(WindowsLayout(), "s", "p").empty());
}

// The one rule Windows programs split their command line by (backslashes stand for
// themselves except before a double quote).
TEST(CommandLineQuoting, WindowsSplittingRule) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"C:\\dir\\file", "C:\\dir\\file"},
        {"", "\"\""},
        {"a b", "\"a b\""},
        {"tab\there", "\"tab\there\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\Program Files\\", "\"C:\\Program Files\\\\\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        // a session cookie with a blank, quotes and a trailing backslash stays one argument
        {"K 1\"'\\", "\"K 1\\\"'\\\\\""},
    };
    for (const auto& [argument, quoted] : cases)
        EXPECT_EQ(QuoteArgument(argument), quoted) << argument;
    EXPECT_EQ(QuoteArgument("PDF", true), "\"PDF\"");
    EXPECT_EQ(CommandLine("p").AddBlank().Add("x").Text(), "p  x");
}

// What a log shows of a command: every secret argument, or the secret inside one, as "***".
TEST(ViewerCommands, ShownCommandsHideTheCookieAndTheFtpDigest) {
    MirlNxSession session = VncSession();
    session.cookie = "Secret Cookie";
    EXPECT_EQ(VncViewerCommand(WindowsLayout(), "C:\\Q", session, "p").Shown(),
              "C:\\Q\\turbovnc\\turbovnc-client-go.exe -clipboard-to-server "
              "-clipboard-from-server -compression 9 -quality 40 -subsample 2 127.0.0.1:9901 ***");
    session.protocol = "nx";
    const std::string nx = NxProxyCommand(WindowsLayout(), "C:\\Q", session, "C:\\T").Shown();
    EXPECT_NE(nx.find(",cookie=***,"), std::string::npos) << nx;
    EXPECT_EQ(MapFtpCommand(WindowsLayout(), "ann", "s", "p").Shown(),
              "cscript.exe scripts\\mapftp.vbs ann ***");
}
