#include "ui/DipLayout.h"

#include <wx/window.h>

wxPoint DipLayout::Position(const wxPoint& at_100) const {
    return window->FromDIP(at_100);
}

wxSize DipLayout::Size(const wxSize& at_100) const {
    return window->FromDIP(at_100);
}

void DipLayout::Add(wxWindow* control, const wxPoint& position, const wxSize& size) {
    entries.push_back({control, position, size});
}

void DipLayout::Apply() const {
    for (const Entry& entry : entries) {
        wxSize size = Size(entry.size);
        if (entry.size == wxDefaultSize) {
            // The font has followed the DPI; the text needs a box of its new size.
            entry.control->InvalidateBestSize();
            size = entry.control->GetBestSize();
        }
        entry.control->SetSize(wxRect(Position(entry.position), size));
    }
}
