#include "app/DocumentNotices.h"

#include <wx/timer.h>

#include <functional>
#include <utility>

#include "app/PrintNotices.h"
#include "platform/DesktopNotifier.h"
#include "platform/LocaleText.h"
#include "records/ShownText.h"

namespace {
class OneShot : public wxTimer {
  public:
    explicit OneShot(std::function<void()> fire_) : fire(std::move(fire_)) {}
    void Notify() override { fire(); }

  private:
    std::function<void()> fire;
};
}  // namespace

DocumentNotices::DocumentNotices(wxTaskBarIcon* tray)
    : notifier(MakeDesktopNotifier(tray)),
      timer(std::make_unique<OneShot>([this] { notices->Flush(); })),
      notices(std::make_unique<PrintNotices>(
          [this](const PrintNotices::Notice& notice) {
              notifier->Show(notice.summary, notice.body);
          },
          [this](std::chrono::milliseconds delay) {
              timer->StartOnce(static_cast<int>(delay.count()));
          })) {}

DocumentNotices::~DocumentNotices() {
    timer->Stop();
}

void DocumentNotices::Arrived(const wxString& file, const std::string& remote_name) {
    documents[file] = Document{ShownName(remote_name), ""};
}

void DocumentNotices::Printing(const wxString& file, const std::string& printer) {
    documents[file].printer = ShownName(printer);
}

void DocumentNotices::Ended(const wxString& file, bool printed) {
    const auto found = documents.find(file);
    if (found == documents.end()) return;  // not one of ours, or told already
    const Document document = found->second;
    documents.erase(found);
    if (printed) {
        notices->Printed(document.name, document.printer);
    } else {
        // The path as the box and the log show it.
        notices->NotPrinted(document.name, document.printer,
                            ShownName(ToLocaleBytes(file), kShownTextLimit));
    }
}
