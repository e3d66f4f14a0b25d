#include "service/UpdateCheckThread.h"

#include <utility>

#include "config/Version.h"
#include "net/HttpsRequest.h"
#include "records/Events.h"
#include "service/VersionNumber.h"

UpdateCheckThread::UpdateCheckThread(wxEvtHandler* sink, std::string url)
    : wxThread(wxTHREAD_DETACHED), sink(sink), url(std::move(url)) {}

UpdateCheckThread::~UpdateCheckThread() = default;

wxThread::ExitCode UpdateCheckThread::Entry() {
    try {
        const std::string text = HttpsGet(url, UpdateCheckProfile());
        // A text without three numbers cannot be compared: treat it as a failed check.
        if (!ParseVersionNumber(text)) return reinterpret_cast<ExitCode>(1);
        if (OffersNewerVersion(text, kClientVersion)) {
            QueueThreadEvent(sink, EVT_UPDATE_AVAILABLE, text);
        }
        return reinterpret_cast<ExitCode>(0);
    } catch (...) {
        // The check is a courtesy: whatever goes wrong, the user sees nothing.
        return reinterpret_cast<ExitCode>(1);
    }
}
