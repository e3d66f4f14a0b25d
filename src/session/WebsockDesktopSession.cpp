#include "session/WebsockDesktopSession.h"

#include <utility>

#include "config/Deployment.h"
#include "net/HttpsRequest.h"
#include "records/Events.h"
#include "session/OpensshProcess.h"
#include "session/SessionDocuments.h"

WebsockDesktopSession::WebsockDesktopSession(std::string proxy, ForwardingOptions options)
    : desktop_proxy(std::move(proxy)), forwarding(std::move(options)) {}

std::string WebsockDesktopSession::DefaultDesktopProxy() {
    return BuiltInDeployment().desktop_proxy;
}

std::string WebsockDesktopSession::SessionUrl(const std::string& desktop_proxy,
                                              const MirlNxServer& server) {
    return "https://" + desktop_proxy + "/session/https/" + server.ip + "/9997";
}

std::pair<MirlNxSession, TunnelHandles> WebsockDesktopSession::CreateSession(
    wxEvtHandler* sink, const MirlNxServer& server, const MirlNxLogin& login) {
    const std::string reply =
        HttpsPost(SessionUrl(desktop_proxy, server),
                  BuildSessionRequest(login, DesktopRoute::Websock), WebsockSessionProfile());
    const MirlNxSession session = ReadSessionReply(reply, login, server.ip);
    TunnelHandles handles;
    if (!session.websock) {
        handles.process = StartSshForwarding(sink, server, session, forwarding);
    }
    QueueThreadEvent(sink, EVT_SESSION_READY, session);
    QueueThreadEvent(sink, EVT_MAP_DRIVES, session.login);
    return {session, handles};
}
