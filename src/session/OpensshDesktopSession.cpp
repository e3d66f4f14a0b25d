#include "session/OpensshDesktopSession.h"

#include "config/Deployment.h"
#include "records/Events.h"
#include "session/LibsshDesktopSession.h"

OpensshDesktopSession::OpensshDesktopSession()
    : OpensshDesktopSession(BuiltInDeployment().session_request_key, DefaultForwardingOptions()) {}

OpensshDesktopSession::OpensshDesktopSession(std::string request_key_pem,
                                             ForwardingOptions forwarding)
    : request_key_pem(std::move(request_key_pem)), forwarding(std::move(forwarding)) {}

std::pair<MirlNxSession, TunnelHandles> OpensshDesktopSession::CreateSession(
    wxEvtHandler* sink, const MirlNxServer& server, const MirlNxLogin& login) {
    SshSessionRequest request = RequestSessionOverSsh(server, login, request_key_pem);
    OpensshProcess* process = StartSshForwarding(sink, server, request.session, forwarding);
    // This call held the request's connection alone: dropping it disconnects it.
    request.connection.reset();
    QueueThreadEvent(sink, EVT_SESSION_READY, request.session);
    QueueThreadEvent(sink, EVT_MAP_DRIVES, request.session.login);
    return {request.session, {nullptr, process}};
}
