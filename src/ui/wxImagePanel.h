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
    // Draws the bitmap unscaled at (0, 0); the rest of dc is left as it is.
    void Draw(wxDC& dc) const;

  private:
    void OnPaint(wxPaintEvent& event);

    wxBitmap image;

    wxDECLARE_EVENT_TABLE();
};
