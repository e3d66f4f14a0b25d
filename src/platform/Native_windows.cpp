// What this build's platform is: the Windows one.
#include <wx/stdpaths.h>

#include "platform/Platform.h"
#include "platform/ProgramLayout.h"
#include "platform/ResourcesFolder.h"

const char* PlatformWord() {
    return "win32";
}

ProgramLayout NativeLayout() {
    return WindowsLayout();
}

wxString ResourcesFolder() {
    return wxStandardPaths::Get().GetResourcesDir();
}

bool ThemeDrawsHoveredButtons() {
    // Without visual styles the button keeps its colour, where a dark label still reads.
    return true;
}
