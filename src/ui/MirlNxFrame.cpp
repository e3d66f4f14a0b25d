#include "ui/MirlNxFrame.h"

// Placeholder until the login form is built.
wxBEGIN_EVENT_TABLE(MirlNxFrame, wxFrame)
wxEND_EVENT_TABLE()

MirlNxFrame::MirlNxFrame(FrameOwner* app, const wxString& title, const wxPoint& pos,
                         const wxSize& size, long style)
    : wxFrame(nullptr, wxID_ANY, title, pos, size, style), application(app) {}

MirlNxFrame::~MirlNxFrame() = default;

void MirlNxFrame::SetConnectButton(const std::string&, bool) {}
void MirlNxFrame::SetDesktopStatus(const std::string&) {}
void MirlNxFrame::SetPrinterStatus(const std::string&) {}
std::string MirlNxFrame::GetPrinter() const { return ""; }
bool MirlNxFrame::HasPrinter() const { return !GetPrinter().empty(); }
std::string MirlNxFrame::GetLinkSpeed() const { return "adsl"; }
bool MirlNxFrame::IsLegacyConnection() const { return false; }
void MirlNxFrame::OnConnect(wxCommandEvent&) {}
void MirlNxFrame::OnClose(wxCloseEvent&) {}
void MirlNxFrame::OnIconize(wxIconizeEvent&) {}
