#pragma once

#include <string>

#include "session/DesktopSession.h"
#include "session/OpensshForwarding.h"

// The variant the application uses: the request goes as an HTTPS POST (certificate not
// verified) to https://<desktop proxy>/session/https/<server ip>/9997. A reply with "websock"
// true needs nothing more (the viewer goes through the proxy); otherwise the desktop is
// reached through the forwarding ssh, whose process is handed back.
class WebsockDesktopSession final : public DesktopSession {
  public:
    // desktop_proxy: host[:port]. The application keeps the defaults; tests point both at
    // their own loopback services.
    explicit WebsockDesktopSession(std::string desktop_proxy = DefaultDesktopProxy(),
                                   ForwardingOptions forwarding = DefaultForwardingOptions());

    std::pair<MirlNxSession, TunnelHandles> CreateSession(wxEvtHandler* sink,
                                                          const MirlNxServer& server,
                                                          const MirlNxLogin& login) override;

    static std::string SessionUrl(const std::string& desktop_proxy, const MirlNxServer& server);
    static std::string DefaultDesktopProxy();

  private:
    std::string desktop_proxy;
    ForwardingOptions forwarding;
};
