#include <wx/taskbar.h>
#include <wx/weakref.h>

#include "platform/DesktopNotifier.h"
#include "platform/LocaleText.h"

namespace {
constexpr int kBalloonMilliseconds = 10000;

class TrayBalloonNotifier : public DesktopNotifier {
  public:
    explicit TrayBalloonNotifier(wxTaskBarIcon* tray_) : tray(tray_) {}

    void Show(const std::string& summary, const std::string& body) override {
        // The shell shows the balloon on its own; the call only hands it over. The icon may be
        // gone: the window deletes it on its way out, and a notice may still come after that.
        if (!tray || !tray->IsIconInstalled()) return;
        tray->ShowBalloon(FromUtf8Bytes(summary), FromUtf8Bytes(body), kBalloonMilliseconds,
                          wxICON_INFORMATION);
    }

  private:
    wxWeakRef<wxTaskBarIcon> tray;  // null once the icon is deleted
};
}  // namespace

std::unique_ptr<DesktopNotifier> MakeDesktopNotifier(wxTaskBarIcon* tray) {
    return std::make_unique<TrayBalloonNotifier>(tray);
}
