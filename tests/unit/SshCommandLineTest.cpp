#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/ReplyFields.h"
#include "session/OpensshForwarding.h"

namespace {

MirlNxServer Server(const std::string& host, std::uint16_t port) {
    return MirlNxServer{host, "10.0.0.9", port};
}

MirlNxSession Session(const std::string& host, std::uint16_t port, bool tunnel_mode) {
    MirlNxSession session;
    session.host = host;
    session.port = port;
    session.tunnel_mode = tunnel_mode;
    return session;
}

TEST(SshCommandLine, WindowsExampleToTheByte) {
    EXPECT_EQ(BuildSshCommandLine(WindowsLayout(), "C:\\Tollivance", Server("srv.example", 22),
                                  Session("desk.example", 5901, false),
                                  "C:\\Users\\x\\AppData\\Local\\Temp\\ab12")
                  .Text(),
              "C:\\Tollivance\\openssh\\ssh.exe -o UserKnownHostsFile=/dev/null -o "
              "StrictHostKeyChecking=no -o ExitOnForwardFailure=yes -p 22 -v -i "
              "C:\\Users\\x\\AppData\\Local\\Temp\\ab12 -l "
              "mirlnx -L 9901:desk.example:5901 srv.example");
}

TEST(SshCommandLine, Cases) {
    struct Case {
        ProgramLayout layout;
        std::string working_folder, key_file;
        MirlNxServer server;
        MirlNxSession session;
        std::string expected;
    };
    const Case cases[] = {
        {LinuxLayout(), "/opt/tollivance", "/tmp/k1", Server("srv", 2222),
         Session("desk", 5901, false),
         "/opt/tollivance/openssh/ssh -o UserKnownHostsFile=/dev/null -o "
         "StrictHostKeyChecking=no -o ExitOnForwardFailure=yes -p 2222 -v -i /tmp/k1 -l mirlnx -L "
         "9901:desk:5901 srv"},
        // tunnel mode forwards the session port to port 22; -p is the server's port
        {LinuxLayout(), "/w", "/k", Server("srv", 18022), Session("desk", 5901, true),
         "/w/openssh/ssh -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no -o "
         "ExitOnForwardFailure=yes -p 18022 -v "
         "-i /k -l mirlnx -L 5901:desk:22 srv"},
        // the same wrapped port as every other user of the forwarding rule
        {LinuxLayout(), "/w", "/k", Server("srv", 22), Session("desk", 62000, false),
         "/w/openssh/ssh -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no -o "
         "ExitOnForwardFailure=yes -p 22 -v -i "
         "/k -l mirlnx -L 464:desk:62000 srv"},
        // an IPv6 address in the forwarding is put in brackets, as ssh reads it
        {LinuxLayout(), "/w", "/k", Server("2001:db8::1", 22), Session("2001:db8::7", 5901, false),
         "/w/openssh/ssh -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no -o "
         "ExitOnForwardFailure=yes -p 22 -v -i "
         "/k -l mirlnx -L 9901:[2001:db8::7]:5901 2001:db8::1"},
        // folders with blanks are quoted
        {WindowsLayout(), "C:\\Program Files\\Tollivance", "C:\\Users\\A B\\Temp\\k",
         Server("srv", 22), Session("desk", 5901, false),
         "\"C:\\Program Files\\Tollivance\\openssh\\ssh.exe\" -o UserKnownHostsFile=/dev/null -o "
         "StrictHostKeyChecking=no -o ExitOnForwardFailure=yes -p 22 -v -i \"C:\\Users\\A "
         "B\\Temp\\k\" -l mirlnx -L "
         "9901:desk:5901 srv"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            BuildSshCommandLine(c.layout, c.working_folder, c.server, c.session, c.key_file).Text(),
            c.expected);
    }
}

// The login lets the host through (a web-socket session never uses it); ssh must not get it.
TEST(SshCommandLine, ServerHostThatCouldPassForAnOptionIsRefused) {
    const std::string hosts[] = {"-oProxyCommand=x", "srv -v", ""};
    for (const std::string& host : hosts) {
        try {
            BuildSshCommandLine(LinuxLayout(), "/w", Server(host, 22), Session("desk", 5901, false),
                                "/k");
            ADD_FAILURE() << host;
        } catch (const std::string& message) {
            EXPECT_EQ(message, kInvalidServerHost) << host;
        }
    }
}

TEST(SshCommandLine, ArgumentsKeepBlanksInsideOneArgument) {
    const std::vector<std::string> arguments =
        BuildSshCommandLine(LinuxLayout(), "/home/a b", Server("srv", 22),
                            Session("desk", 5901, false), "/tmp/x y/k")
            .Arguments();
    ASSERT_EQ(arguments.size(), 17u);
    EXPECT_EQ(arguments[0], "/home/a b/openssh/ssh");
    EXPECT_EQ(arguments[11], "/tmp/x y/k");
    EXPECT_EQ(arguments[15], "9901:desk:5901");
}

TEST(SshCommandLine, ReadyMarkerOnlyAtTheStartOfALine) {
    struct Case {
        std::string line;
        bool ready;
    };
    const Case cases[] = {
        {"debug1: Local forwarding listening on 127.0.0.1 port 9901.", true},
        {"debug1: Local forwarding listening on 127.0.0.1 port", true},
        {"debug1: Local forwarding listening on ::1 port 9901.", false},
        {" debug1: Local forwarding listening on 127.0.0.1 port 9901.", false},
        {"note: debug1: Local forwarding listening on 127.0.0.1 port 9901.", false},
        {"Debug1: Local forwarding listening on 127.0.0.1 port 9901.", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsForwardingReadyLine(c.line), c.ready) << c.line;
}

}  // namespace
