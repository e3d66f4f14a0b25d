#include <sys/stat.h>
#include <wx/file.h>

#include "platform/OwnerOnlyFile.h"

bool RestrictToOwner(wxFile& file) {
    return ::fchmod(file.fd(), S_IRUSR | S_IWUSR) == 0;
}
