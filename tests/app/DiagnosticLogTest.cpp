// A whole tunnel-mode session with both drives and a printed document, written to the log that
// TOLLIVANCE_LOG names: every step is there and none of the session's secrets, in any form.
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "ApplicationTest.h"
#include "config/Deployment.h"
#include "platform/MachineIdentity.h"
#include "platform/SecretScrubber.h"
#include "service/Sha256Hex.h"
#include "support/DriveForwarding.h"
#include "support/EventPump.h"
#include "support/LoopbackPorts.h"
#include "support/ScopedVariable.h"
#include "support/TempDir.h"
#include "support/TestDeployment.h"

namespace {
using namespace std::chrono_literals;

class DiagnosticLogFlow : public ApplicationTest {
  protected:
    TempDir logs;  // apart from the temporary folder, whose loose files the fixture counts
    const std::string log_path = logs.File("client.log");
    ScopedVariable log_variable{"TOLLIVANCE_LOG", log_path};
};

// A form field of the login request the sandbox received.
std::string LoginField(const std::vector<nlohmann::json>& requests, const std::string& name) {
    for (const auto& request : requests) {
        if (request.value("path", "") != "/session/start/") continue;
        const std::string body = request.value("body", "");
        const auto at = body.find("&" + name + "=");
        if (at == std::string::npos) continue;
        const auto start = at + name.size() + 2;
        return body.substr(start, body.find('&', start) - start);
    }
    return "";
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

TEST_F(DiagnosticLogFlow, AWholeSessionIsLoggedStepByStepWithoutASecret) {
    DrivePortsLock drive_ports;  // the application's forwarding ssh opens them
    const std::string cookie = "Cookie/Secret+77";
    const nlohmann::json session = {
        {"tunnel_mode", 1},
        {"websock", false},
        {"cookie", cookie},
        {"ftp", {{"host", "127.0.0.1"}, {"port", 2121}, {"salt", "ftp-pepper"}}},
        {"webdav", {{"host", "127.0.0.1"}, {"port", 8080}, {"salt", "dav-pepper"}}}};
    AddDefaultPrinter("Hall_Laser");
    sandbox = std::make_unique<Sandbox>(
        SandboxOptions().WithHttps().WithSsh().WithPrintQueue().WithDesktopSsh().WithScenario(
            Scenario(
                {{"session", session}, {"desktop_host", {{"desktop", ClosedLoopbackPort()}}}})));
    UseSandbox(*sandbox);
    StartApp();

    Connect();
    ASSERT_TRUE(WaitUntilConnected()) << Desktop() << " / " << Button();
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; }, 60s)) << Printer();
    ASSERT_TRUE(PumpUntil([&] { return folder.Calls("mapwebdav").size() == 1; }));
    QueuePrintFile(*sandbox, kUser, "quarterly\x1b[2J report.pdf", "%PDF-1.4 report\n");
    ASSERT_TRUE(PumpUntil([&] { return !folder.Calls("print").empty(); }, 60s)) << Printer();
    ASSERT_TRUE(PumpUntil([&] { return Printer() == "Connected"; })) << Printer();
    ASSERT_TRUE(folder.Running("viewer")) << "the forwarding ssh held the session";
    PressButton();
    ASSERT_TRUE(WaitUntilIdle()) << Desktop() << " / " << Button();
    Shutdown();

    struct stat status {};
    ASSERT_EQ(::stat(log_path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    const std::string log = ReadWholeFile(log_path);
    for (const char* step :
         {"client ", "login to ", "login succeeded", "session request answered", "session ready",
          "started ", "mapftp.sh alice", "turbovnc-client-go", "print queue connected",
          "document fetched: ", "quarterly[2J report.pdf", "document printed: ", "disconnect asked",
          "viewer ended, disconnected", "exit"}) {
        EXPECT_NE(log.find(step), std::string::npos) << step << " missing from:\n" << log;
    }

    const std::string hardware_key = ReadMachineIdText();
    const std::string serial = Sha256Hex(hardware_key);
    const std::string proof = LoginField(sandbox->HttpsRequests(), "h");
    ASSERT_EQ(proof, Sha256Hex(serial + LoginField(sandbox->HttpsRequests(), "s")));
    const std::pair<const char*, std::string> secrets[] = {
        {"password", kPassword},
        {"cookie", cookie},
        {"FTP digest", Sha256Hex("ftp-pepper" + std::string(kPassword))},
        {"WebDAV digest", Sha256Hex("dav-pepper" + std::string(kPassword))},
        {"key", BuiltInDeployment().tunnel_key},
        {"machine key", hardware_key},
        {"serial", serial},
        {"proof", proof}};
    for (const auto& [name, secret] : secrets) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(secret.empty());
        for (const std::string& form : {secret, HexForm(secret), Upper(HexForm(secret)),
                                        PercentForm(secret), Base64Form(secret)}) {
            EXPECT_EQ(log.find(form), std::string::npos) << form << " in:\n" << log;
        }
    }
}
}  // namespace
