#pragma once

#include <wx/frame.h>

#include <string>

#include "platform/ResourcesFolder.h"

class MirlNxTaskBarIcon;
class wxButton;
class wxTextCtrl;
class wxChoice;
class wxStaticText;
class wxCheckBox;

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
    std::string GetPrinter() const;
    bool HasPrinter() const;
    std::string GetLinkSpeed() const;
    bool IsLegacyConnection() const;

    // Null once the close handler has released it.
    MirlNxTaskBarIcon* GetTrayIcon() const { return tray_icon; }

  private:
    void BuildForm(wxWindow* panel);
    void BuildPrinterList(wxWindow* panel);
    void InstallIcons(const wxString& icon_file);

    void OnConnect(wxCommandEvent& event);
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

    wxDECLARE_EVENT_TABLE();
};
