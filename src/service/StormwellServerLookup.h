#pragma once

#include <string>

#include "service/ServerLookup.h"

// Resolves the server by logging in to the service's session-start endpoint.
class StormwellServerLookup : public ServerLookup {
  public:
    explicit StormwellServerLookup(std::string session_start_url);

    wxThread* CreateLoginThread(wxEvtHandler* sink, const MirlNxLogin& login) override;

  private:
    std::string url;
};
