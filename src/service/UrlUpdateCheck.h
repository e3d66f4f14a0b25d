#pragma once

#include <string>

#include "service/UpdateCheck.h"

// Reads the published version text from a URL.
class UrlUpdateCheck : public UpdateCheck {
  public:
    explicit UrlUpdateCheck(std::string version_url);

    wxThread* CreateCheckThread(wxEvtHandler* sink) override;

  private:
    std::string url;
};
