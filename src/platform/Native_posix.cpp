// What this build's platform is: the POSIX (Linux) one.
#include <wx/filename.h>
#include <wx/stdpaths.h>

#include "platform/Platform.h"
#include "platform/ProgramLayout.h"
#include "platform/ResourcesFolder.h"

const char* PlatformWord() {
    return "linux";
}

ProgramLayout NativeLayout() {
    return LinuxLayout();
}

wxString ResourcesFolder() {
    return ChooseResourcesFolder(wxFileName(wxStandardPaths::Get().GetExecutablePath()).GetPath());
}

bool ThemeDrawsHoveredButtons() {
    return false;
}
