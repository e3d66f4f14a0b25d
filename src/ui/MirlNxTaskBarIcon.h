#pragma once

#include <wx/taskbar.h>

class MirlNxFrame;
class wxMenu;

// Command ids of the tray menu.
enum { ID_TRAY_RESTORE = 10001, ID_TRAY_EXIT = 10002 };

// The icon in the system tray: a menu with Restore and Exit, and a double-click that restores
// the main window (minimising hides it, so this is the way back).
class MirlNxTaskBarIcon : public wxTaskBarIcon {
  public:
    explicit MirlNxTaskBarIcon(MirlNxFrame* frame);
    ~MirlNxTaskBarIcon() override;

    // A new menu on every request; the toolkit deletes it after showing it.
    wxMenu* CreatePopupMenu() override;

  private:
    void OnRestore(wxCommandEvent& event);
    void OnExit(wxCommandEvent& event);
    void OnLeftDoubleClick(wxTaskBarIconEvent& event);
    void Restore();

    MirlNxFrame* frame;

    wxDECLARE_EVENT_TABLE();
};
