#include "service/UrlUpdateCheck.h"

#include <utility>

#include "service/UpdateCheckThread.h"

UrlUpdateCheck::UrlUpdateCheck(std::string version_url) : url(std::move(version_url)) {}

wxThread* UrlUpdateCheck::CreateCheckThread(wxEvtHandler* sink) {
    // The thread keeps its own copy of the URL: this object ends before the check does.
    return new UpdateCheckThread(sink, url);
}
