#include "session/TemporaryKeyFile.h"

#include <wx/file.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

TemporaryKeyFile::TemporaryKeyFile(const std::string& folder, const std::string& pem) {
    wxFile file;
    // An empty name part: the toolkit picks the whole name (mkstemp, owner-only, on Unix).
    const wxString name = wxFileName::CreateTempFileName(wxString::FromUTF8(folder + "/"), &file);
    if (name.empty() || !file.IsOpened()) {
        throw std::string("Could not create the key file in " + folder);
    }
    file_path = name.utf8_string();
#ifndef _WIN32
    if (::fchmod(file.fd(), S_IRUSR | S_IWUSR) != 0) {
        file.Close();
        Remove();
        throw std::string("Could not protect the key file " + file_path);
    }
#endif
    const bool written = file.Write(pem.data(), pem.size()) == pem.size();
    const bool closed = file.Close();
    if (!written || !closed) {
        Remove();
        throw std::string("Could not write the key file " + file_path);
    }
}

TemporaryKeyFile::~TemporaryKeyFile() {
    Remove();
}

void TemporaryKeyFile::Remove() {
    if (file_path.empty()) return;
    wxRemoveFile(wxString::FromUTF8(file_path));
    file_path.clear();
}
