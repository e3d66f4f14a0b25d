#include "ui/wxImagePanel.h"

#include <wx/dcclient.h>
#include <wx/image.h>

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
    if (!image.IsOk()) return;
    const wxSize shown = FromDIP(image.GetSize());
    if (shown == image.GetSize()) {
        dc.DrawBitmap(image, 0, 0, false);
        return;
    }
    // Scaled with the window so that the picture still fills the banner behind the texts.
    if (!scaled.IsOk() || scaled.GetSize() != shown) {
        scaled = wxBitmap(image.ConvertToImage().Scale(shown.x, shown.y, wxIMAGE_QUALITY_HIGH));
    }
    dc.DrawBitmap(scaled, 0, 0, false);
}

void wxImagePanel::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    Draw(dc);
}
