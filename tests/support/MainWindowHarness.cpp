#include "support/MainWindowHarness.h"

#include <wx/app.h>

#include "config/Version.h"
#include "support/EventPump.h"

void RecordingFrameOwner::Connect(const std::string& user_id, const std::string& password) {
    connects.emplace_back(user_id, password);
}

void RecordingFrameOwner::Shutdown() {
    ++shutdowns;
    if (frame != nullptr) {
        frame->Destroy();
        frame = nullptr;
    }
}

wxString SourceAssetsFolder() {
    return TOLLIVANCE_SOURCE_DIR "/assets";
}

MirlNxFrame* OpenMainWindow(RecordingFrameOwner& owner, const wxString& resources_folder) {
    const long style =
        (wxDEFAULT_FRAME_STYLE & ~(wxRESIZE_BORDER | wxMAXIMIZE_BOX)) | wxCLIP_CHILDREN;
    owner.frame = new MirlNxFrame(&owner, wxString(kTitlePrefix) + kClientVersion, wxPoint(50, 50),
                                  wxSize(500, 400), style, resources_folder);
    owner.frame->Show(true);
    PumpFor(std::chrono::milliseconds(100));
    return owner.frame;
}

void CloseMainWindow(RecordingFrameOwner& owner) {
    if (owner.frame != nullptr) {
        owner.frame->Destroy();
        owner.frame = nullptr;
    }
    PumpFor(std::chrono::milliseconds(50));
    wxTheApp->ProcessIdle();
}

std::vector<wxWindow*> FormControls(MirlNxFrame* frame) {
    std::vector<wxWindow*> controls;
    const wxWindowList& top = frame->GetChildren();
    if (top.GetCount() != 1) return controls;
    for (wxWindow* child : top.GetFirst()->GetData()->GetChildren()) controls.push_back(child);
    return controls;
}

wxWindow* FormControl(MirlNxFrame* frame, const char* name) {
    return frame != nullptr ? wxWindow::FindWindowByName(name, frame) : nullptr;
}
