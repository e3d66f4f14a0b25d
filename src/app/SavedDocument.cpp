#include "app/SavedDocument.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include <vector>

#include "app/DocumentNotices.h"
#include "app/DownloadsName.h"
#include "platform/DiagnosticLog.h"
#include "platform/DownloadsFolder.h"
#include "platform/LocaleText.h"
#include "printing/FailedPrintCopies.h"
#include "records/Events.h"

namespace {
// Enough for any burst of documents of one name; past it the name counts as taken.
constexpr unsigned kMostNumbers = 1000;

std::string Reason(unsigned long code) {
    const std::string text = ToLocaleBytes(wxSysErrorMsgStr(code));
    return text.empty() ? "error " + std::to_string(code) : text;
}

// Creates the first free numbered name; false with the problem when none could be made.
bool CreateFree(const wxString& folder, const std::string& name, wxFile& out, wxString& path,
                std::string& problem) {
    const std::string usable = FileNameCanHold(FromUtf8Bytes(name)) ? name : AsciiName(name);
    for (unsigned attempt = 1; attempt <= kMostNumbers; ++attempt) {
        path =
            folder + wxFileName::GetPathSeparator() + FromUtf8Bytes(NumberedName(usable, attempt));
        if (out.Create(path, false, wxS_IRUSR | wxS_IWUSR)) return true;
        const unsigned long code = wxSysErrorCode();
        // Taken, perhaps a moment ago: the next number. Anything else will not get better.
        if (!wxFileName::Exists(path, wxFILE_EXISTS_ANY)) {
            problem = "The file " + ToLocaleBytes(path) + " cannot be made (" + Reason(code) + ")";
            return false;
        }
    }
    problem = "Every name up to " + ToLocaleBytes(path) + " is taken";
    return false;
}

// Copies every byte of file into out and closes it; false with the problem when that failed.
bool CopyInto(const wxString& file, wxFile& out, const wxString& path, std::string& problem) {
    wxFile in;
    if (!in.Open(file)) {
        problem = "The downloaded copy cannot be read (" + Reason(wxSysErrorCode()) + ")";
        return false;
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t read = in.Read(buffer.data(), buffer.size());
        if (read == wxInvalidOffset) {
            problem = "The downloaded copy cannot be read (" + Reason(wxSysErrorCode()) + ")";
            return false;
        }
        if (read == 0) break;
        if (out.Write(buffer.data(), static_cast<size_t>(read)) != static_cast<size_t>(read)) {
            problem =
                "Writing " + ToLocaleBytes(path) + " failed (" + Reason(wxSysErrorCode()) + ")";
            return false;
        }
    }
    // On the disk before the only other copy goes.
    if (!out.Flush() || !out.Close()) {
        problem = "Writing " + ToLocaleBytes(path) + " failed (" + Reason(wxSysErrorCode()) + ")";
        return false;
    }
    return true;
}
}  // namespace

DownloadsSave SaveInDownloads(const wxString& file, const std::string& remote_name) {
    // Failures are told in the result; the toolkit's own messages would be a second box.
    wxLogNull quiet;
    DownloadsSave save;
    try {
        save.folder = DownloadsFolder();
    } catch (const std::string& message) {
        save.problem = message;
        return save;
    }
    wxFile out;
    wxString path;
    if (!CreateFree(save.folder, DownloadsName(remote_name), out, path, save.problem)) return save;
    if (!CopyInto(file, out, path, save.problem)) {
        out.Close();
        wxRemoveFile(path);
        return save;
    }
    save.saved_as = path;
    wxRemoveFile(file);
    return save;
}

void SaveDocumentTurn(wxEvtHandler* application, const wxString& file, DocumentNotices* notices) {
    const DownloadsSave save =
        SaveInDownloads(file, notices != nullptr ? notices->RemoteName(file) : "");
    const bool saved = save.problem.empty();
    if (saved) {
        LogStep("document saved: " + ToLocaleBytes(save.saved_as));
        if (notices != nullptr) notices->Saved(file, save.folder, save.saved_as);
    } else {
        LogStep("document not saved: " + save.problem);
        // The document is off the server by now: this copy is the only one left.
        QueueThreadEvent(application, EVT_PRINT_FAILURE,
                         save.problem + "; the document was not saved and is kept as " +
                             ToLocaleBytes(file) + ".");
        if (wxFileExists(file) && KeptFailedPrints().Keep(file)) {
            QueueThreadEvent(application, EVT_PRINT_FAILURE,
                             std::string(FailedPrintCopies::kRemovedText));
        }
        if (notices != nullptr) notices->NotSaved(file, save.folder);
    }
    // Ended as a print program ends, so the turns go on as they would.
    auto* end = new wxCommandEvent(EVT_PRINT_JOB_END, 0);
    end->SetString(file);
    end->SetInt(saved ? 1 : 0);
    wxQueueEvent(application, end);
}
