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

// A path as the box and the log show it.
std::string ShownPath(const wxString& path) {
    return ShownName(ToLocaleBytes(path), kShownTextLimit);
}
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

void DocumentNotices::Flush() {
    timer->Stop();
    notices->Flush();
}

void DocumentNotices::Arrived(const wxString& file, const std::string& remote_name) {
    documents[file] = Document{ShownName(remote_name), "", remote_name};
}

void DocumentNotices::Printing(const wxString& file, const std::string& printer) {
    documents[file].printer = ShownName(printer);
}

bool DocumentNotices::Take(const wxString& file, Document& document) {
    const auto found = documents.find(file);
    if (found == documents.end()) return false;  // not one of ours, or told already
    document = found->second;
    documents.erase(found);
    return true;
}

void DocumentNotices::Printed(const wxString& file) {
    Document document;
    if (Take(file, document)) notices->Printed(document.name, document.printer);
}

void DocumentNotices::NotPrinted(const wxString& file) {
    Document document;
    if (Take(file, document)) notices->NotPrinted(document.name, document.printer, ShownPath(file));
}

std::string DocumentNotices::RemoteName(const wxString& file) const {
    const auto found = documents.find(file);
    return found == documents.end() ? "" : found->second.remote;
}

void DocumentNotices::Saved(const wxString& file, const wxString& folder,
                            const wxString& saved_as) {
    Document document;
    if (Take(file, document)) notices->Saved(document.name, ShownPath(folder), ShownPath(saved_as));
}

void DocumentNotices::NotSaved(const wxString& file, const wxString& folder) {
    Document document;
    if (!Take(file, document)) return;
    notices->NotSaved(document.name, folder.empty() ? "the Downloads folder" : ShownPath(folder),
                      ShownPath(file));
}
