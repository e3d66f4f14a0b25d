#pragma once

#include <wx/frame.h>

#include <string>
#include <vector>

#include "platform/ResourcesFolder.h"
#include "ui/DipLayout.h"
#include "ui/LayoutReport.h"

class MirlNxTaskBarIcon;
class wxButton;
class wxTextCtrl;
class wxChoice;
class wxStaticText;
class wxCheckBox;
class wxImagePanel;

// What the window asks of the application that created it.
class FrameOwner {
  public:
    // Starts a login or, while a desktop viewer runs, disconnects.
    virtual void Connect(const std::string& user_id, const std::string& password) = 0;
    // Ends the session, waits for the workers, destroys the window.
    virtual void Shutdown() = 0;

  protected:
    ~FrameOwner() = default;
};

// Window id of the Connect button.
enum { ID_CONNECT = 1 };

// Names a file: once the window is shown, it writes there what DescribeLayout reports.
inline constexpr const char* kLayoutReportVariable = "TOLLIVANCE_LAYOUT_REPORT";

// The program's only window: a fixed-size login form over a background bitmap.
class MirlNxFrame : public wxFrame {
  public:
    // The pictures come from resources_folder; missing ones leave the form working without them.
    MirlNxFrame(FrameOwner* application, const wxString& title, const wxPoint& pos,
                const wxSize& size, long style,
                const wxString& resources_folder = ResourcesFolder());
    ~MirlNxFrame() override;

    void SetConnectButton(const std::string& label, bool enabled);
    void SetDesktopStatus(const std::string& text);
    void SetPrinterStatus(const std::string& text);
    // The chosen entry's text (the save entry's too); empty when none is chosen.
    std::string GetPrinter() const;
    bool HasPrinter() const;
    // Whether the chosen entry is the last one, "Save to Downloads folder".
    bool SavesToDownloads() const;
    std::string GetLinkSpeed() const;
    bool IsLegacyConnection() const;

    // Null once the close handler has released it.
    MirlNxTaskBarIcon* GetTrayIcon() const { return tray_icon; }

    // The form as the user sees it at the window's current scale (see DescribeFormLayout).
    std::string DescribeLayout() const;

  private:
    void BuildForm(wxWindow* panel);
    void BuildPrinterList(wxWindow* panel);
    void InstallIcons(const wxString& icon_file);

    // What the Connect button does: hands the form to the application.
    void Submit();
    void WriteLayoutReport(const wxString& file) const;

    void OnConnect(wxCommandEvent& event);
    void OnEnterInField(wxCommandEvent& event);
    void OnDpiChanged(wxDPIChangedEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnIconize(wxIconizeEvent& event);

    FrameOwner* application;
    wxButton* connect_button = nullptr;
    wxTextCtrl* user_id_field = nullptr;
    wxTextCtrl* password_field = nullptr;
    wxChoice* printer_list = nullptr;
    MirlNxTaskBarIcon* tray_icon = nullptr;
    wxStaticText* printer_status = nullptr;
    wxStaticText* desktop_status = nullptr;
    wxChoice* profile_list = nullptr;
    wxCheckBox* legacy_checkbox = nullptr;
    wxImagePanel* background = nullptr;
    DipLayout layout;
    std::vector<LabelledField> labelled_fields;

    wxDECLARE_EVENT_TABLE();
};
