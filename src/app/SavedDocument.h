#pragma once

#include <wx/event.h>
#include <wx/string.h>

#include <string>

class DocumentNotices;

// The outcome of saving a downloaded document in the Downloads folder.
struct DownloadsSave {
    wxString folder;      // empty when there is no Downloads folder
    wxString saved_as;    // empty when not saved
    std::string problem;  // why not, for the user; empty when saved
};

// Copies file byte for byte into the Downloads folder, under the DownloadsName of remote_name
// numbered to a name no file has (created exclusively: nothing is ever overwritten), readable
// by its owner only; the file is removed once saved, and kept when not.
DownloadsSave SaveInDownloads(const wxString& file, const std::string& remote_name);

// A document's turn when the user chose to save documents rather than print them: saves it,
// tells notices (may be null), tells a failure as a failed print is told, and then queues the
// document's end to application as a print program's end would be (EVT_PRINT_JOB_END, the file
// as string, int 1 when saved).
void SaveDocumentTurn(wxEvtHandler* application, const wxString& file, DocumentNotices* notices);
