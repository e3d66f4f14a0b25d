#include "platform/TemporaryKeyFile.h"

#include <wx/file.h>
#include <wx/filefn.h>

#include "platform/LocaleText.h"
#include "platform/OwnerOnlyFile.h"

TemporaryKeyFile::TemporaryKeyFile(const std::string& folder, const std::string& pem) {
    // Not the root of the file system.
    if (folder.empty()) throw std::string("There is no temporary folder for the key file");
    wxFile file;
    const wxString name = CreateTempFileKeptFromChildren(FromLocaleBytes(folder), file);
    if (name.empty() || !file.IsOpened()) {
        throw std::string("Could not create the key file in " + folder);
    }
    file_path = ToLocaleBytes(name);
    if (!RestrictToOwner(file)) {
        file.Close();
        Remove();
        throw std::string("Could not protect the key file " + file_path);
    }
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
    wxRemoveFile(FromLocaleBytes(file_path));
    file_path.clear();
}
