#pragma once

#include <string>

// Where the client finds its helper programs, relative to its working folder, and the few
// platform differences of their command lines. The command-line builders take a layout, so the
// Windows lines and the Linux lines are both checked to the byte on any machine.
struct ProgramLayout {
    char separator;  // between folder names
    std::string viewer_folder, viewer_program;
    std::string xserver_folder, xserver_program;
    std::string nxproxy_folder, nxproxy_program;
    std::string ssh_folder, ssh_program;
    std::string print_program;  // in the working folder itself
    std::string script_host;    // "cscript.exe" or "sh"
    std::string map_ftp_script, unmap_ftp_script, map_webdav_script;  // relative paths
    bool cygwin_nx_root;     // NX root is "/cygdrive/" + temp dir with "\" to "/", ":" removed
    std::string nx_display;  // DISPLAY for the NX proxy; empty keeps the client's own
    // Empty: the session cookie is the viewer's last argument. Otherwise the variable of the
    // viewer's environment that carries it, so that no other user reads it off a command line.
    std::string viewer_cookie_variable;
    // The same for the NX proxy's cookie (empty: in its "-S" options) and for the FTP password
    // hash of the FTP mapping script (empty: its second argument).
    std::string nx_cookie_variable;
    std::string ftp_hash_variable;

    // working folder + separator + name
    std::string Join(const std::string& folder, const std::string& name) const {
        return folder + separator + name;
    }
    // Where a helper program lives: the client's working folder + separator + its folder.
    std::string ProgramFolder(const std::string& cwd, const std::string& folder) const {
        return Join(cwd, folder);
    }
};

ProgramLayout WindowsLayout();
ProgramLayout LinuxLayout();
// The layout of the platform this program was built for.
ProgramLayout NativeLayout();
