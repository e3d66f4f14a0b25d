#pragma once

#include <wx/string.h>

#include <cstddef>
#include <cstdint>
#include <deque>

// Copies of documents whose print program failed, kept for the user to print by hand. A
// print queue that keeps delivering documents that fail must not fill the disk: past the
// bounds the oldest copies are removed.
class FailedPrintCopies {
  public:
    static constexpr std::size_t kMostCopies = 50;
    static constexpr std::uint64_t kMostBytes = std::uint64_t{512} << 20;
    static constexpr const char* kRemovedText =
        "Older copies of documents that failed to print were removed: at most 50 copies and "
        "512 MiB are kept.";

    // Keeps file; true the first time older copies had to be removed for it, so the user is
    // told once.
    bool Keep(const wxString& file);

  private:
    struct Copy {
        wxString file;
        std::uint64_t size;
    };
    std::deque<Copy> copies;
    std::uint64_t total = 0;
    bool told = false;
};

// The copies of this program run (GUI thread only).
FailedPrintCopies& KeptFailedPrints();
