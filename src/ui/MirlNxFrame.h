#pragma once

#include <wx/frame.h>

#include <string>

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

// The program's only window: a fixed-size login form over a background bitmap.
class MirlNxFrame : public wxFrame {
public:
    MirlNxFrame(FrameOwner* application, const wxString& title, const wxPoint& pos,
                const wxSize& size, long style);
    ~MirlNxFrame() override;

    void SetConnectButton(const std::string& label, bool enabled);
    void SetDesktopStatus(const std::string& text);
    void SetPrinterStatus(const std::string& text);
    std::string GetPrinter() const;
    bool HasPrinter() const;
    std::string GetLinkSpeed() const;
    bool IsLegacyConnection() const;

private:
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
