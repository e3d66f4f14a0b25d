#include "platform/TempFiles.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

std::string WritePrivateTempFile(const std::string& folder, const std::string& bytes) {
    wxLogNull quiet;
    wxFile file;
    // The toolkit picks the name; the file is created for its owner alone.
    const wxString path =
        wxFileName::CreateTempFileName(wxString(folder.c_str(), wxConvLibc) + "/", &file);
    if (path.empty()) return "";
    const std::string narrow(path.mb_str(wxConvLibc));
#ifndef _WIN32
    wxChmod(path, 0600);
#endif
    const bool written = file.Write(bytes.data(), bytes.size()) == bytes.size();
    const bool closed = file.Close();
    if (!written || !closed) {
        wxRemoveFile(path);
        return "";
    }
    return narrow;
}

void RemoveFileQuietly(const std::string& path) {
    if (path.empty()) return;
    wxLogNull quiet;
    const wxString name(path.c_str(), wxConvLibc);
    if (wxFileExists(name)) wxRemoveFile(name);
}
