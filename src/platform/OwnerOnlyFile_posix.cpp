#include <fcntl.h>
#include <sys/stat.h>
#include <wx/file.h>

#include "platform/OwnerOnlyFile.h"

bool RestrictToOwner(wxFile& file) {
    return ::fchmod(file.fd(), S_IRUSR | S_IWUSR) == 0;
}

void KeepFromChildren(wxFile& file) {
    ::fcntl(file.fd(), F_SETFD, ::fcntl(file.fd(), F_GETFD) | FD_CLOEXEC);
}
