#include "printing/FailedPrintCopies.h"

#include <wx/filefn.h>
#include <wx/filename.h>

bool FailedPrintCopies::Keep(const wxString& file) {
    const wxULongLong size = wxFileName::GetSize(file);
    const std::uint64_t bytes = size == wxInvalidSize ? 0 : size.GetValue();
    copies.push_back(Copy{file, bytes});
    total += bytes;
    bool removed = false;
    // The newest copy stays, whatever its size: it is the one just reported.
    while (copies.size() > 1 && (copies.size() > kMostCopies || total > kMostBytes)) {
        const Copy& oldest = copies.front();
        if (wxFileExists(oldest.file)) wxRemoveFile(oldest.file);
        total -= oldest.size;
        copies.pop_front();
        removed = true;
    }
    if (!removed || told) return false;
    told = true;
    return true;
}

FailedPrintCopies& KeptFailedPrints() {
    static FailedPrintCopies copies;
    return copies;
}
