#pragma once

#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

// The local stand-in for the hosted service, started for one test on loopback ports that the
// system picks, and stopped with the test. Under Wine the test program cannot start it: it
// joins the one a wrapper script started, which must serve the sides the options ask for. Scenarios
// are a JSON document in its state folder that the sandbox reads afresh on every request, so a test
// may change it at any time.
struct SandboxOptions {
    bool https = false;        // session start, version text, download page, desktop proxy
    bool ssh = false;          // the "mirlnx" account and the desktop forwarding
    bool print_queue = false;  // password accounts with their SFTP queue folders
    bool desktop = false;      // a recording TCP peer standing for the desktop
    nlohmann::json scenario = nlohmann::json::object();
    bool drives = false;  // the FTP and WebDAV servers of the drives
    bool nx = false;      // an NX desktop (nxagent)
    // The desktop host's SSH server, which tunnel-mode sessions reach through the SSH side's
    // port 22 (its desktop port on that host is "tunnel_desktop")
    bool desktop_ssh = false;

    // Named at the call site: SandboxOptions().WithSsh().WithDesktop().
    SandboxOptions& WithHttps(bool on = true) { return Set(https, on); }
    SandboxOptions& WithSsh(bool on = true) { return Set(ssh, on); }
    SandboxOptions& WithPrintQueue(bool on = true) { return Set(print_queue, on); }
    SandboxOptions& WithDesktop(bool on = true) { return Set(desktop, on); }
    SandboxOptions& WithDrives(bool on = true) { return Set(drives, on); }
    SandboxOptions& WithNx(bool on = true) { return Set(nx, on); }
    SandboxOptions& WithDesktopSsh(bool on = true) { return Set(desktop_ssh, on); }
    SandboxOptions& WithScenario(nlohmann::json value) {
        scenario = std::move(value);
        return *this;
    }

  private:
    SandboxOptions& Set(bool& side, bool on) {
        side = on;
        return *this;
    }
};

class Sandbox {
  public:
    explicit Sandbox(const SandboxOptions& options);

    // A port from the sandbox's ready line, e.g. "https", "https_untrusted", "ssh", "desktop".
    int Port(const std::string& name) const;
    const nlohmann::json& Ready() const { return ready; }
    std::string BaseUrl() const;  // https://127.0.0.1:<https port>
    std::string CaFile() const;
    const std::string& StateDir() const { return state_dir; }
    void SetScenario(const nlohmann::json& scenario);
    // Every HTTPS request received so far, oldest first: {"method", "path", "port", "headers",
    // "body"} with the body's bytes as latin-1 characters.
    std::vector<nlohmann::json> HttpsRequests() const;

  private:
    std::optional<TempDir> own_state;  // none for a sandbox started outside the test program
    std::string state_dir;
    std::string pki_dir;
    // Shared, not unique: its deleter is bound where the process starts, so a program that
    // only joins a running sandbox needs none of the process code.
    std::shared_ptr<ChildProcess> process;
    nlohmann::json ready;
};
