#pragma once

#include <wx/string.h>

#include <map>
#include <memory>
#include <string>

class DesktopNotifier;
class PrintNotices;
class wxTaskBarIcon;
class wxTimer;

// Follows each downloaded document from its arrival to the end of its print program, or its
// save in the Downloads folder, and tells the user on the desktop what printed where or was
// saved as what, and what did not and where it is kept. GUI thread only.
class DocumentNotices {
  public:
    // tray: the icon whose balloon shows notices where the desktop has no other way (not owned).
    explicit DocumentNotices(wxTaskBarIcon* tray);
    ~DocumentNotices();
    DocumentNotices(const DocumentNotices&) = delete;
    DocumentNotices& operator=(const DocumentNotices&) = delete;

    // A local copy arrived; remote_name is the document's name in the print queue, unchecked.
    void Arrived(const wxString& file, const std::string& remote_name);
    // Its print program is started on printer (the locale's bytes).
    void Printing(const wxString& file, const std::string& printer);
    // Its print program took it and ended without an error.
    void Printed(const wxString& file);
    // Its print program failed or never started: it is kept as file.
    void NotPrinted(const wxString& file);
    // Shows what is gathered now, not after the gathering time.
    void Flush();
    // Its name in the print queue as it arrived; empty for a file not announced.
    std::string RemoteName(const wxString& file) const;
    // It was saved as saved_as in folder instead of printed.
    void Saved(const wxString& file, const wxString& folder, const wxString& saved_as);
    // It was not, and is kept as file; folder is empty when there is no Downloads folder.
    void NotSaved(const wxString& file, const wxString& folder);

  private:
    struct Document {
        std::string name;     // fit to show
        std::string printer;  // fit to show
        std::string remote;   // the server's bytes
    };
    // The document's entry, taken out: its end is told once. False when there is none.
    bool Take(const wxString& file, Document& document);
    std::map<wxString, Document> documents;
    std::unique_ptr<DesktopNotifier> notifier;
    std::unique_ptr<wxTimer> timer;
    std::unique_ptr<PrintNotices> notices;
};
