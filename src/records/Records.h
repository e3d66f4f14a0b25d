#pragma once

#include <cstdint>
#include <string>
#include <utility>

class SshTunnel;
class OpensshProcess;

// One login attempt, built from the window's entries and the machine's identity.
struct MirlNxLogin {
    std::string username;
    std::string password;
    std::string serial;          // Sha256Hex of the machine id text
    std::string client_version;  // e.g. "tollivance-desktop-client-linux-v3.0.3"
    std::string printing;        // always empty
    std::string branding;        // "tollivance"
    std::int32_t depth = 0;      // colour depth, bits per pixel
    bool tunnel_mode = false;
    std::string protocol;  // "vnc" or "nx"
    bool enable_ftp = false;
    bool enable_webdav = false;
    std::string link;  // "modem", "adsl" or "wan"

    bool operator==(const MirlNxLogin&) const;
};

// The server the service assigns to the user.
struct MirlNxServer {
    std::string host;
    std::string ip;  // equals host when the service gives none
    std::uint16_t port = 0;

    bool operator==(const MirlNxServer&) const;
};

// One network-drive endpoint; port 0 means the session has no such drive.
struct DriveEndpoint {
    std::string host;
    std::uint16_t port = 0;
    std::string salt;

    bool operator==(const DriveEndpoint&) const;
};

struct ViewerSettings {
    std::int32_t quality = 40;
    std::int32_t compression = 9;
    std::int32_t subsample = 2;

    bool operator==(const ViewerSettings&) const;
};

// A desktop session that is ready to be viewed.
struct MirlNxSession {
    std::string host;
    std::uint16_t port = 0;
    std::string cookie;
    bool tunnel_mode = false;
    std::string protocol = "nx";
    MirlNxLogin login;
    DriveEndpoint ftp;
    DriveEndpoint webdav;
    ViewerSettings settings;
    bool websock = false;

    bool operator==(const MirlNxSession&) const;
};

// What a session creation hands over beside the session: an unstarted tunnel thread or a
// running forwarding ssh, at most one of them. The application never deletes either through it.
struct TunnelHandles {
    SshTunnel* thread = nullptr;
    OpensshProcess* process = nullptr;
};

using LoginResult = std::pair<MirlNxServer, MirlNxLogin>;
