#include "app/ViewerCommands.h"

#include <cstdint>
#include <vector>

#include "net/ForwardingRule.h"
#include "net/ForwardingSsh.h"
#include "service/Sha256Hex.h"

namespace {
constexpr int kForwardedFtpPort = 8021;
constexpr int kForwardedWebdavPort = 8022;
constexpr int kWebsockPortOffset = 5000;

CommandLine Program(const ProgramLayout& layout, const std::string& cwd, const std::string& folder,
                    const std::string& program) {
    return CommandLine(layout.Join(layout.ProgramFolder(cwd, folder), program));
}

// The local port the viewer connects to: the session's own forwarding when it is not in
// tunnel mode, and in tunnel mode the one the forwarding ssh opens; the same rule either way.
std::uint16_t ViewerPort(const MirlNxSession& session) {
    MirlNxSession direct = session;
    direct.tunnel_mode = false;
    return LocalForwarding(direct).local_port;
}

CommandLine Script(const ProgramLayout& layout, const std::string& script) {
    return CommandLine(layout.script_host).Add(script);
}
}  // namespace

CommandLine VncViewerCommand(const ProgramLayout& layout, const std::string& cwd,
                             const MirlNxSession& session, const std::string& desktop_proxy) {
    CommandLine command = Program(layout, cwd, layout.viewer_folder, layout.viewer_program);
    command.AddBlank()
        .Add("-clipboard-to-server")
        .Add("-clipboard-from-server")
        .AddBlank()
        .Add("-compression")
        .Add(std::to_string(session.settings.compression))
        .Add("-quality")
        .Add(std::to_string(session.settings.quality))
        .Add("-subsample")
        .Add(std::to_string(session.settings.subsample));
    if (session.websock) {
        command.Add("wss://" + desktop_proxy + "/desktop/https/" + session.host + "/" +
                    std::to_string(session.port + kWebsockPortOffset));
    } else {
        command.Add("127.0.0.1:" + std::to_string(ViewerPort(session)));
    }
    if (!layout.viewer_cookie_variable.empty()) return command;
    return command.Add(session.cookie).Hiding(session.cookie);
}

std::map<std::string, std::string> VncViewerEnvironment(const ProgramLayout& layout,
                                                        const MirlNxSession& session) {
    if (layout.viewer_cookie_variable.empty()) return {};
    return {{layout.viewer_cookie_variable, session.cookie}};
}

CommandLine XServerCommand(const ProgramLayout& layout, const std::string& cwd) {
    return Program(layout, cwd, layout.xserver_folder, layout.xserver_program)
        .Add(":0")
        .Add("-silent-dup-error")
        .Add("-multiwindow")
        .Add("-clipboard")
        .Add("-notrayicon");
}

std::string NxRoot(const ProgramLayout& layout, const std::string& temp_dir) {
    if (!layout.cygwin_nx_root) return temp_dir;
    std::string root;
    for (char c : "/cygdrive/" + temp_dir) {
        if (c == ':') continue;
        root += c == '\\' ? '/' : c;
    }
    return root;
}

CommandLine NxProxyCommand(const ProgramLayout& layout, const std::string& cwd,
                           const MirlNxSession& session, const std::string& temp_dir) {
    const std::string cookie =
        layout.nx_cookie_variable.empty() ? ",cookie=" + session.cookie : std::string();
    return Program(layout, cwd, layout.nxproxy_folder, layout.nxproxy_program)
        .Add("-S")
        .Add("nx,root=" + NxRoot(layout, temp_dir) + ",session=" + "mirl" + cookie +
             ",fullscreen=0,shmem=1,shpix=1,connect=127.0.0.1:" + std::to_string(session.port))
        .Hiding(session.cookie);
}

std::map<std::string, std::string> NxProxyEnvironment(const ProgramLayout& layout,
                                                      const MirlNxSession& session) {
    std::map<std::string, std::string> environment;
    if (!layout.nx_display.empty()) environment["DISPLAY"] = layout.nx_display;
    if (!layout.nx_cookie_variable.empty()) environment[layout.nx_cookie_variable] = session.cookie;
    return environment;
}

CommandLine ForwardingSshCommand(const ProgramLayout& layout, const std::string& cwd,
                                 const MirlNxSession& session, const std::string& key_file) {
    std::vector<SshForward> forwards;
    if (session.ftp.port != 0) {
        // The FTP data port beside the control port, in 16 bits: 65535 is followed by 0.
        const auto data_port = static_cast<std::uint16_t>(session.ftp.port + 1);
        forwards.push_back({kForwardedFtpPort, session.ftp.host, session.ftp.port});
        forwards.push_back({data_port, session.ftp.host, data_port});
    }
    if (session.webdav.port != 0) {
        forwards.push_back({kForwardedWebdavPort, session.webdav.host, session.webdav.port});
    }
    forwards.push_back({ViewerPort(session), "127.0.0.1", session.port});
    return ForwardingSshLine(
        layout.Join(layout.ProgramFolder(cwd, layout.ssh_folder), layout.ssh_program), {}, key_file,
        forwards, {"-p", std::to_string(session.port), "127.0.0.1"});
}

CommandLine MapFtpCommand(const ProgramLayout& layout, const std::string& username,
                          const std::string& ftp_salt, const std::string& password) {
    CommandLine command = Script(layout, layout.map_ftp_script).Add(username);
    if (!layout.ftp_hash_variable.empty()) return command;
    const std::string digest = Sha256Hex(ftp_salt + password);
    return command.Add(digest).Hiding(digest);
}

std::map<std::string, std::string> MapFtpEnvironment(const ProgramLayout& layout,
                                                     const std::string& ftp_salt,
                                                     const std::string& password) {
    if (layout.ftp_hash_variable.empty()) return {};
    return {{layout.ftp_hash_variable, Sha256Hex(ftp_salt + password)}};
}

CommandLine MapWebdavCommand(const ProgramLayout& layout) {
    return Script(layout, layout.map_webdav_script);
}

CommandLine UnmapFtpCommand(const ProgramLayout& layout) {
    return Script(layout, layout.unmap_ftp_script);
}
