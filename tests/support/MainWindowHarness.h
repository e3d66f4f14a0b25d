#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/MirlNxFrame.h"

// Stands in for the application: records what the window hands over and, like the
// application, destroys the window on shutdown.
class RecordingFrameOwner : public FrameOwner {
  public:
    void Connect(const std::string& user_id, const std::string& password) override;
    void Shutdown() override;

    std::vector<std::pair<std::string, std::string>> connects;
    int shutdowns = 0;
    MirlNxFrame* frame = nullptr;
};

// The committed pictures in the source tree.
wxString SourceAssetsFolder();

// Builds and shows the main window as the application does, owned by owner.
MirlNxFrame* OpenMainWindow(RecordingFrameOwner& owner,
                            const wxString& resources_folder = SourceAssetsFolder());

// Destroys the window if it is still there and lets the toolkit finish deferred deletions.
void CloseMainWindow(RecordingFrameOwner& owner);

// The children of the window's background panel, in creation order.
std::vector<wxWindow*> FormControls(MirlNxFrame* frame);

// The names the window gives its form controls.
inline constexpr const char* kDesktopStatusControl = "desktop_status";
inline constexpr const char* kPrinterStatusControl = "printer_status";
inline constexpr const char* kUserIdControl = "user_id";
inline constexpr const char* kPasswordControl = "password";
inline constexpr const char* kConnectControl = "connect";
inline constexpr const char* kPrinterListControl = "printer_list";
inline constexpr const char* kProfileListControl = "profile_list";

// The window's form control of that name; null when there is none.
wxWindow* FormControl(MirlNxFrame* frame, const char* name);
