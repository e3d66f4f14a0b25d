#include "records/Records.h"

#include <tuple>

namespace {
auto Fields(const MirlNxLogin& l) {
    return std::tie(l.username, l.password, l.serial, l.client_version, l.printing, l.branding,
                    l.depth, l.tunnel_mode, l.protocol, l.enable_ftp, l.enable_webdav, l.link);
}
auto Fields(const MirlNxSession& s) {
    return std::tie(s.host, s.port, s.cookie, s.tunnel_mode, s.protocol, s.login, s.ftp, s.webdav,
                    s.settings, s.websock);
}
}  // namespace

bool MirlNxLogin::operator==(const MirlNxLogin& o) const {
    return Fields(*this) == Fields(o);
}

bool MirlNxServer::operator==(const MirlNxServer& o) const {
    return std::tie(host, ip, port) == std::tie(o.host, o.ip, o.port);
}

bool DriveEndpoint::operator==(const DriveEndpoint& o) const {
    return std::tie(host, port, salt) == std::tie(o.host, o.port, o.salt);
}

bool ViewerSettings::operator==(const ViewerSettings& o) const {
    return std::tie(quality, compression, subsample) ==
           std::tie(o.quality, o.compression, o.subsample);
}

bool MirlNxSession::operator==(const MirlNxSession& o) const {
    return Fields(*this) == Fields(o);
}
