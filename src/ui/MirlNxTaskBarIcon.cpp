#include "ui/MirlNxTaskBarIcon.h"

#include <wx/menu.h>

#include "ui/MirlNxFrame.h"

wxBEGIN_EVENT_TABLE(MirlNxTaskBarIcon, wxTaskBarIcon)
    EVT_MENU(ID_TRAY_RESTORE, MirlNxTaskBarIcon::OnRestore)
    EVT_MENU(ID_TRAY_EXIT, MirlNxTaskBarIcon::OnExit)
    EVT_TASKBAR_LEFT_DCLICK(MirlNxTaskBarIcon::OnLeftDoubleClick)
wxEND_EVENT_TABLE()

MirlNxTaskBarIcon::MirlNxTaskBarIcon(MirlNxFrame* main_window) : frame(main_window) {}

MirlNxTaskBarIcon::~MirlNxTaskBarIcon() = default;

wxMenu* MirlNxTaskBarIcon::CreatePopupMenu() {
    auto* menu = new wxMenu;
    menu->Append(ID_TRAY_RESTORE, "&Restore");
    menu->AppendSeparator();
    menu->Append(ID_TRAY_EXIT, "E&xit");
    return menu;
}

void MirlNxTaskBarIcon::Restore() {
    frame->Iconize(false);
    frame->Show(true);
}

void MirlNxTaskBarIcon::OnRestore(wxCommandEvent&) {
    Restore();
}

void MirlNxTaskBarIcon::OnLeftDoubleClick(wxTaskBarIconEvent&) {
    Restore();
}

// The window's close handler shuts the application down, as with its close box.
void MirlNxTaskBarIcon::OnExit(wxCommandEvent&) {
    frame->Close(true);
}
