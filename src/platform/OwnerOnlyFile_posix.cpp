#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <wx/file.h>
#include <wx/filename.h>

#include <string>

#include "platform/LocaleText.h"
#include "platform/OwnerOnlyFile.h"

bool RestrictToOwner(wxFile& file) {
    return ::fchmod(file.fd(), S_IRUSR | S_IWUSR) == 0;
}

void KeepFromChildren(wxFile& file) {
    ::fcntl(file.fd(), F_SETFD, ::fcntl(file.fd(), F_GETFD) | FD_CLOEXEC);
}

wxString CreateTempFileKeptFromChildren(const wxString& folder, wxFile& file) {
    std::string pattern = ToLocaleBytes(wxFileName(folder, "tvXXXXXX").GetFullPath());
    if (pattern.empty()) return "";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) return "";
    file.Attach(fd);
    return FromLocaleBytes(pattern);
}
