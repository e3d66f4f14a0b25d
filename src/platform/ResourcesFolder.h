#pragma once

#include <wx/string.h>

// File names of the window's pictures inside the resources folder.
inline constexpr const char* kBackgroundImageFile = "QuorvantaBackgroundImage.bmp";
inline constexpr const char* kIconFile = "tollivance48.ico";

// The folder the background bitmap and the icon are loaded from. Windows: the folder of the
// executable. Linux: the executable's folder when the pictures sit beside it (a build or a
// working-folder install), else the installed share folder next to its bin folder.
wxString ResourcesFolder();

// The Linux choice between the two candidates, by where the background bitmap is.
wxString ChooseResourcesFolder(const wxString& executable_folder);
