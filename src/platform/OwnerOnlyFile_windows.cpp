#include <wx/file.h>

#include "platform/OwnerOnlyFile.h"

bool RestrictToOwner(wxFile&) {
    return true;
}
