#pragma once

#include <wx/gdicmn.h>

#include <vector>

class wxWindow;

// Places controls from positions and sizes given at 100% scale, converted for the DPI of the
// window they are on, and places them again when the window moves to a screen of another scale.
// At 96 DPI, and wherever the toolkit scales by itself (GTK), the conversion changes nothing.
class DipLayout {
  public:
    explicit DipLayout(wxWindow* window) : window(window) {}

    wxPoint Position(const wxPoint& at_100) const;
    // The default size stays the default (the toolkit's best size).
    wxSize Size(const wxSize& at_100) const;

    // Remembers where control belongs; size wxDefaultSize stands for its best size.
    void Add(wxWindow* control, const wxPoint& position, const wxSize& size);
    // Puts every remembered control in place for the window's current DPI.
    void Apply() const;

  private:
    struct Entry {
        wxWindow* control;
        wxPoint position;
        wxSize size;
    };
    wxWindow* window;
    std::vector<Entry> entries;
};
