#pragma once

#include <wx/bitmap.h>
#include <wx/panel.h>

class wxDC;

// A panel that paints a bitmap, loaded from a file, at its top left corner; the parent of every
// control of the login form. Without a readable file it paints nothing and is otherwise the same.
class wxImagePanel : public wxPanel {
  public:
    wxImagePanel(wxWindow* parent, const wxString& file, wxBitmapType format);
    ~wxImagePanel() override;

    const wxBitmap& GetImage() const { return image; }
    // Draws the bitmap at (0, 0) at the panel's scale (its own size at 96 DPI, and wherever the
    // toolkit scales by itself); the rest of dc is left as it is.
    void Draw(wxDC& dc) const;

  private:
    void OnPaint(wxPaintEvent& event);

    wxBitmap image;
    // The bitmap at the size last drawn, when that is not its own.
    mutable wxBitmap scaled;

    wxDECLARE_EVENT_TABLE();
};
