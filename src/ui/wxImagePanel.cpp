#include "ui/wxImagePanel.h"

#include <wx/dcclient.h>

wxBEGIN_EVENT_TABLE(wxImagePanel, wxPanel)
    EVT_PAINT(wxImagePanel::OnPaint)
wxEND_EVENT_TABLE()

wxImagePanel::wxImagePanel(wxWindow* parent, const wxString& file, wxBitmapType format)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER) {
    // A failed load is reported by the toolkit; the panel then stays plain.
    image.LoadFile(file, format);
}

wxImagePanel::~wxImagePanel() = default;

void wxImagePanel::Draw(wxDC& dc) const {
    if (image.IsOk()) dc.DrawBitmap(image, 0, 0, false);
}

void wxImagePanel::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    Draw(dc);
}
