#pragma once

#include <memory>
#include <string>

class wxTaskBarIcon;

// Short notices on the desktop: on Linux through the notification service of the session
// bus, on Windows as the tray icon's balloon. Where neither is there, a notice is dropped;
// nothing fails and nothing waits for it: every call to the bus is asynchronous and bounded.
class DesktopNotifier {
  public:
    virtual ~DesktopNotifier() = default;
    // UTF-8 texts; the summary and the body are shown as plain text.
    virtual void Show(const std::string& summary, const std::string& body) = 0;
};

// tray: the icon whose balloon shows the notices where the system has no notification
// service (not owned; the notifier lets go of it when it is deleted). May be null.
std::unique_ptr<DesktopNotifier> MakeDesktopNotifier(wxTaskBarIcon* tray);
