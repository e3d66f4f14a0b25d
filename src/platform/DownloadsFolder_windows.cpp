#include <windows.h>
// After windows.h, which they build on.
#include <knownfolders.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "platform/DownloadsFolder.h"

wxString DownloadsFolder() {
    PWSTR path = nullptr;
    // KF_FLAG_CREATE: made when it is missing.
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_Downloads, KF_FLAG_CREATE, nullptr, &path);
    const wxString folder = SUCCEEDED(result) && path != nullptr ? wxString(path) : wxString();
    CoTaskMemFree(path);
    if (folder.empty()) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
        throw std::string("Windows has no Downloads folder for this user (error ") + code + ")";
    }
    return folder;
}

bool FileNameCanHold(const wxString&) {
    return true;
}
