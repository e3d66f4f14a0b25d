#include "app/ViewerCommands.h"

#include <cstdint>

#include "service/Sha256Hex.h"
#include "session/ForwardingRule.h"

namespace {
constexpr int kForwardedFtpPort = 8021;
constexpr int kForwardedWebdavPort = 8022;
constexpr int kWebsockPortOffset = 5000;

std::string Program(const ProgramLayout& layout, const std::string& cwd, const std::string& folder,
                    const std::string& program) {
    return QuoteIfNeeded(layout, layout.Join(ProgramFolder(layout, cwd, folder), program));
}

// The local port the viewer connects to: the session's own forwarding when it is not in
// tunnel mode, and in tunnel mode the one the forwarding ssh opens; the same rule either way.
std::string ViewerPort(const MirlNxSession& session) {
    MirlNxSession direct = session;
    direct.tunnel_mode = false;
    return std::to_string(LocalForwarding(direct).local_port);
}

std::string Script(const ProgramLayout& layout, const std::string& script) {
    return layout.script_host + " " + script;
}
}  // namespace

std::string ProgramFolder(const ProgramLayout& layout, const std::string& cwd,
                          const std::string& folder) {
    return layout.Join(cwd, folder);
}

std::string QuoteIfNeeded(const ProgramLayout& layout, const std::string& text) {
    const bool windows = layout.separator == '\\';
    if (text.find_first_of(windows ? " \t\"" : " \t\"'\\") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || (!windows && c == '\\')) quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string VncViewerCommand(const ProgramLayout& layout, const std::string& cwd,
                             const MirlNxSession& session, const std::string& desktop_proxy) {
    const int port = session.port;
    std::string command = Program(layout, cwd, layout.viewer_folder, layout.viewer_program) + " " +
                          " -clipboard-to-server -clipboard-from-server " + " -compression " +
                          std::to_string(session.settings.compression) + " -quality " +
                          std::to_string(session.settings.quality) + " -subsample " +
                          std::to_string(session.settings.subsample);
    if (session.websock) {
        command += " wss://" + desktop_proxy + "/desktop/https/" + session.host + "/" +
                   std::to_string(port + kWebsockPortOffset) + " " + session.cookie;
    } else {
        command += " 127.0.0.1:" + ViewerPort(session) + " " + session.cookie;
    }
    return command;
}

std::string XServerCommand(const ProgramLayout& layout, const std::string& cwd) {
    return Program(layout, cwd, layout.xserver_folder, layout.xserver_program) +
           " :0 -silent-dup-error -multiwindow -clipboard -notrayicon";
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

std::string NxProxyCommand(const ProgramLayout& layout, const std::string& cwd,
                           const MirlNxSession& session, const std::string& temp_dir) {
    return Program(layout, cwd, layout.nxproxy_folder, layout.nxproxy_program) +
           " -S nx,root=" + NxRoot(layout, temp_dir) + ",session=" + "mirl" +
           ",cookie=" + session.cookie +
           ",fullscreen=0,shmem=1,shpix=1,connect=127.0.0.1:" + std::to_string(session.port);
}

std::string ForwardingSshCommand(const ProgramLayout& layout, const std::string& cwd,
                                 const MirlNxSession& session, const std::string& key_file) {
    std::string command = Program(layout, cwd, layout.ssh_folder, layout.ssh_program) +
                          " -o UserKnownHostsFile=/dev/null -o StrictHostKeyChecking=no -i " +
                          QuoteIfNeeded(layout, key_file) + " -l mirlnx";
    if (session.ftp.port != 0) {
        const std::string ftp_port = std::to_string(session.ftp.port);
        // The FTP data port beside the control port, in 16 bits: 65535 is followed by 0.
        const std::string data_port =
            std::to_string(static_cast<std::uint16_t>(session.ftp.port + 1));
        command +=
            " -L " + std::to_string(kForwardedFtpPort) + ":" + session.ftp.host + ":" + ftp_port;
        command += " -L " + data_port + ":" + session.ftp.host + ":" + data_port;
    }
    if (session.webdav.port != 0) {
        command += " -L " + std::to_string(kForwardedWebdavPort) + ":" + session.webdav.host + ":" +
                   std::to_string(session.webdav.port);
    }
    const std::string port = std::to_string(session.port);
    command += " -L " + ViewerPort(session) + ":127.0.0.1:" + port + " -p " + port + " 127.0.0.1";
    return command;
}

std::string MapFtpCommand(const ProgramLayout& layout, const std::string& username,
                          const std::string& ftp_salt, const std::string& password) {
    return Script(layout, layout.map_ftp_script) + " " + QuoteIfNeeded(layout, username) + " " +
           Sha256Hex(ftp_salt + password);
}

std::string MapWebdavCommand(const ProgramLayout& layout) {
    return Script(layout, layout.map_webdav_script);
}

std::string UnmapFtpCommand(const ProgramLayout& layout) {
    return Script(layout, layout.unmap_ftp_script);
}
