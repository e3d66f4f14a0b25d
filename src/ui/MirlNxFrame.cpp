#include "ui/MirlNxFrame.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcmemory.h>
#include <wx/file.h>
#include <wx/icon.h>
#include <wx/imagbmp.h>
#include <wx/image.h>
#include <wx/settings.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "platform/LocaleText.h"
#include "platform/Platform.h"
#include "platform/Printers.h"
#include "ui/LayoutReport.h"
#include "ui/LinkSpeed.h"
#include "ui/MirlNxTaskBarIcon.h"
#include "ui/PrinterSelection.h"
#include "ui/wxImagePanel.h"

namespace {
const wxColour kBannerBlue(66, 135, 193);
const wxColour kButtonGreen(0, 177, 89);

wxColour White() {
    return wxColour("WHITE");
}

// The theme's light background under the pointer would hide the white label: the label turns
// dark while the pointer is on the button.
void KeepLabelReadableUnderPointer(wxButton* button) {
    button->Bind(wxEVT_ENTER_WINDOW, [button](wxMouseEvent& event) {
        button->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT));
        event.Skip();
    });
    button->Bind(wxEVT_LEAVE_WINDOW, [button](wxMouseEvent& event) {
        button->SetForegroundColour(White());
        event.Skip();
    });
}

wxFont FormFont(int points, wxFontWeight weight) {
    return wxFont(points, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, weight, false, wxEmptyString,
                  wxFONTENCODING_DEFAULT);
}
wxFont SmallFont() {
    return FormFont(8, wxFONTWEIGHT_NORMAL);
}
wxFont TitleFont() {
    return FormFont(20, wxFONTWEIGHT_BOLD);
}
wxFont SubtitleFont() {
    return FormFont(12, wxFONTWEIGHT_NORMAL);
}

// A label in the given font at a place given at 100% scale. A label of best size is sized again
// once the toolkit has applied the font: until then it reports the best size for the default font.
wxStaticText* Label(DipLayout& layout, wxWindow* panel, const wxString& text, const wxPoint& pos,
                    const wxSize& size, long style, const wxFont& font) {
    auto* label =
        new wxStaticText(panel, wxID_ANY, text, layout.Position(pos), layout.Size(size), style);
    label->SetFont(font);
    if (size == wxDefaultSize) {
        label->SetSize(label->GetTextExtent(text));
        label->CallAfter([label] {
            label->InvalidateBestSize();
            label->SetSize(label->GetBestSize());
        });
    } else {
        label->SetSize(wxRect(layout.Position(pos), layout.Size(size)));
    }
    layout.Add(label, pos, size);
    return label;
}

// White text on the banner.
wxStaticText* BannerText(DipLayout& layout, wxWindow* panel, const wxString& text,
                         const wxPoint& pos, const wxSize& size, long style, const wxFont& font) {
    wxStaticText* label = Label(layout, panel, text, pos, size, style, font);
    label->SetForegroundColour(White());
    label->SetBackgroundColour(kBannerBlue);
    return label;
}

// Small dark text on the white form area. Made just before the field it names, so that screen
// readers take it as the field's name.
wxStaticText* FormLabel(DipLayout& layout, wxWindow* panel, const wxString& text,
                        const wxPoint& pos) {
    wxStaticText* label = Label(layout, panel, text, pos, wxDefaultSize, 0, SmallFont());
    label->SetBackgroundColour(White());
    return label;
}

// Stands in for a missing icon file in the tray, which is the only way back to a hidden window.
wxIcon PlainTrayIcon() {
    wxBitmap bitmap(48, 48, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(wxBrush(kBannerBlue));
        dc.Clear();
        dc.SetBrush(wxBrush(White()));
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.DrawRectangle(8, 10, 32, 22);
        dc.SetBrush(wxBrush(kButtonGreen));
        dc.DrawRectangle(14, 36, 20, 4);
    }
    wxIcon icon;
    icon.CopyFromBitmap(bitmap);
    return icon;
}
}  // namespace

wxBEGIN_EVENT_TABLE(MirlNxFrame, wxFrame)
    EVT_CLOSE(MirlNxFrame::OnClose)
    EVT_ICONIZE(MirlNxFrame::OnIconize)
wxEND_EVENT_TABLE()

MirlNxFrame::MirlNxFrame(FrameOwner* app, const wxString& title, const wxPoint& pos,
                         const wxSize& size, long style, const wxString& resources_folder)
    : wxFrame(nullptr, wxID_ANY, title, pos, size, style), application(app), layout(this) {
    // The window's place and size are given at 100% scale like its controls.
    const wxRect scaled(pos == wxDefaultPosition ? pos : FromDIP(pos), FromDIP(size));
    if (scaled != wxRect(pos, size)) SetSize(scaled);
    background =
        new wxImagePanel(this, resources_folder + "/" + kBackgroundImageFile, wxBITMAP_TYPE_ANY);
    InstallIcons(resources_folder + "/" + kIconFile);
    BuildForm(background);
    Bind(wxEVT_DPI_CHANGED, &MirlNxFrame::OnDpiChanged, this);

    wxString report_file;
    if (wxGetEnv(kLayoutReportVariable, &report_file)) {
        // After the labels have taken their best sizes (queued while they were made).
        CallAfter([this, report_file] { WriteLayoutReport(report_file); });
    }
}

MirlNxFrame::~MirlNxFrame() {
    // Normally released by the close handler; a window destroyed without closing must not
    // leave the icon in the tray.
    if (tray_icon != nullptr) tray_icon->Destroy();
}

void MirlNxFrame::InstallIcons(const wxString& icon_file) {
    if (wxImage::FindHandler(wxBITMAP_TYPE_ICO) == nullptr) wxImage::AddHandler(new wxICOHandler);
    const wxIcon icon(icon_file, wxBITMAP_TYPE_ICO);
    if (icon.IsOk()) SetIcon(icon);
    tray_icon = new MirlNxTaskBarIcon(this);
    tray_icon->SetIcon(icon.IsOk() ? icon : PlainTrayIcon(), "Quorvanta Tollivance");
}

void MirlNxFrame::BuildForm(wxWindow* panel) {
    // Creation order is the keyboard tab order: user ID, password, printer, profile, Connect.
    BannerText(layout, panel, "Quorvanta Tollivance", wxPoint(12, 25), wxSize(480, 36),
               wxALIGN_CENTRE_HORIZONTAL, TitleFont());
    BannerText(layout, panel, "Secure desktop and printer client", wxPoint(12, 61), wxSize(480, 32),
               wxALIGN_CENTRE_HORIZONTAL, SubtitleFont());
    desktop_status = BannerText(layout, panel, "Not Connected", wxPoint(400, 195), wxDefaultSize, 0,
                                SmallFont());
    printer_status = BannerText(layout, panel, "Not Connected", wxPoint(400, 325), wxDefaultSize, 0,
                                SmallFont());
    desktop_status->SetName("desktop_status");
    printer_status->SetName("printer_status");

    wxStaticText* user_id_label = FormLabel(layout, panel, "Quorvanta User ID", wxPoint(38, 136));
    user_id_field = new wxTextCtrl(panel, wxID_ANY, wxEmptyString, layout.Position({154, 136}),
                                   layout.Size({202, 20}), wxTE_PROCESS_ENTER);
    layout.Add(user_id_field, {154, 136}, {202, 20});
    wxStaticText* password_label = FormLabel(layout, panel, "Password", wxPoint(38, 162));
    password_field = new wxTextCtrl(panel, wxID_ANY, wxEmptyString, layout.Position({154, 162}),
                                    layout.Size({202, 20}), wxTE_PASSWORD | wxTE_PROCESS_ENTER);
    layout.Add(password_field, {154, 162}, {202, 20});
    user_id_field->SetName("user_id");
    password_field->SetName("password");
    // Enter in either field does what the Connect button does.
    user_id_field->Bind(wxEVT_TEXT_ENTER, &MirlNxFrame::OnEnterInField, this);
    password_field->Bind(wxEVT_TEXT_ENTER, &MirlNxFrame::OnEnterInField, this);

    wxStaticText* printer_label = FormLabel(layout, panel, "Printer", wxPoint(38, 194));
    BuildPrinterList(panel);

    legacy_checkbox = new wxCheckBox(panel, wxID_ANY, "Use legacy desktop connection",
                                     layout.Position({152, 248}), layout.Size({202, 28}));
    layout.Add(legacy_checkbox, {152, 248}, {202, 28});
    legacy_checkbox->SetFont(SmallFont());
    legacy_checkbox->SetBackgroundColour(White());
    legacy_checkbox->SetValue(false);
    legacy_checkbox->Hide();

    wxStaticText* profile_label = FormLabel(layout, panel, "Connection Profile", wxPoint(38, 224));
    const wxString profiles[] = {"Low-bandwidth connection", "Default", "High-speed network"};
    profile_list = new wxChoice(panel, wxID_ANY, layout.Position({154, 220}),
                                layout.Size({202, 28}), 3, profiles);
    layout.Add(profile_list, {154, 220}, {202, 28});
    profile_list->SetName("profile_list");
    profile_list->SetFont(SmallFont());
    profile_list->SetSelection(kDefaultProfile);

    connect_button = new wxButton(panel, ID_CONNECT, "Connect", layout.Position({154, 294}),
                                  layout.Size({202, 27}));
    layout.Add(connect_button, {154, 294}, {202, 27});
    connect_button->SetName("connect");
    connect_button->SetForegroundColour(White());
    connect_button->SetBackgroundColour(kButtonGreen);
    if (ThemeDrawsHoveredButtons()) KeepLabelReadableUnderPointer(connect_button);
    Bind(wxEVT_BUTTON, &MirlNxFrame::OnConnect, this, ID_CONNECT);

    labelled_fields = {{user_id_label, user_id_field},
                       {password_label, password_field},
                       {printer_label, printer_list},
                       {profile_label, profile_list}};
    // A new user types the user ID first.
    user_id_field->SetFocus();
}

void MirlNxFrame::BuildPrinterList(wxWindow* panel) {
    const std::vector<wxString> names = GetPrinterNames();
    if (names.empty()) {
        printer_list =
            new wxChoice(panel, wxID_ANY, layout.Position({154, 188}), layout.Size({212, 28}));
        layout.Add(printer_list, {154, 188}, {212, 28});
        printer_list->SetName("printer_list");
        printer_list->Disable();
        return;
    }
    wxArrayString entries;
    for (const wxString& name : names) entries.Add(name);
    // Offered beside printers, never instead of them.
    entries.Add(kSaveToDownloadsEntry);
    printer_list =
        new wxChoice(panel, wxID_ANY, layout.Position({154, 188}), layout.Size({202, 28}), entries);
    layout.Add(printer_list, {154, 188}, {202, 28});
    printer_list->SetName("printer_list");
    printer_list->SetFont(SmallFont());
    const int chosen = DefaultPrinterIndex(names, GetDefaultPrinterName());
    if (chosen >= 0) printer_list->SetSelection(chosen);
}

void MirlNxFrame::SetConnectButton(const std::string& label, bool enabled) {
    connect_button->SetLabel(FromLocaleBytes(label));
    connect_button->Enable(enabled);
    // The profile can be changed only while no connection is under way.
    profile_list->Enable(label == "Connect");
}

void MirlNxFrame::SetDesktopStatus(const std::string& text) {
    desktop_status->SetLabel(FromLocaleBytes(text));
}

void MirlNxFrame::SetPrinterStatus(const std::string& text) {
    printer_status->SetLabel(FromLocaleBytes(text));
}

std::string MirlNxFrame::GetPrinter() const {
    if (printer_list->GetCount() == 0) return "";
    const int selected = printer_list->GetSelection();
    if (selected == wxNOT_FOUND) return "";
    return ToLocaleBytes(printer_list->GetString(static_cast<unsigned>(selected)));
}

bool MirlNxFrame::HasPrinter() const {
    return !GetPrinter().empty();
}

bool MirlNxFrame::SavesToDownloads() const {
    // By place, not text: a printer may have any name.
    const unsigned count = printer_list->GetCount();
    return count > 0 && printer_list->GetSelection() == static_cast<int>(count - 1);
}

std::string MirlNxFrame::GetLinkSpeed() const {
    return LinkSpeedForProfile(profile_list->GetSelection(), profile_list->GetCount());
}

bool MirlNxFrame::IsLegacyConnection() const {
    return legacy_checkbox->GetValue();
}

void MirlNxFrame::OnConnect(wxCommandEvent&) {
    Submit();
}

void MirlNxFrame::OnEnterInField(wxCommandEvent&) {
    // Like a click: nothing while the button is disabled.
    if (connect_button->IsEnabled()) Submit();
}

void MirlNxFrame::Submit() {
    const std::string user_id = ToLocaleBytes(user_id_field->GetValue());
    const std::string password = ToLocaleBytes(password_field->GetValue());
    SetConnectButton("Connecting...", false);
    SetDesktopStatus("Connecting...");
    if (HasPrinter()) SetPrinterStatus("Connecting...");
    application->Connect(user_id, password);
}

void MirlNxFrame::OnDpiChanged(wxDPIChangedEvent& event) {
    // The fonts have followed the new DPI already; places, sizes and the picture follow here.
    layout.Apply();
    background->Refresh();
    // The toolkit then moves the window to the rectangle the system proposes for the new DPI.
    event.Skip();
}

std::string MirlNxFrame::DescribeLayout() const {
    return DescribeFormLayout(*this, labelled_fields, {desktop_status, printer_status});
}

void MirlNxFrame::WriteLayoutReport(const wxString& file) const {
    wxFile out;
    const std::string report = DescribeLayout();  // UTF-8 already
    if (out.Create(file, true)) out.Write(report.data(), report.size());
}

// Neither vetoed nor passed on: the application's shutdown destroys the window.
void MirlNxFrame::OnClose(wxCloseEvent&) {
    if (tray_icon != nullptr) {
        tray_icon->Destroy();
        tray_icon = nullptr;
    }
    application->Shutdown();
}

void MirlNxFrame::OnIconize(wxIconizeEvent&) {
    // Hidden, the window comes back only through the tray icon: without a tray it stays an
    // ordinary minimised window.
    if (IsIconized() && IsShown() && tray_icon != nullptr && wxTaskBarIcon::IsAvailable()) Hide();
}
