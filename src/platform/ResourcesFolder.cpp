#include "platform/ResourcesFolder.h"

#include <wx/filename.h>

wxString ChooseResourcesFolder(const wxString& executable_folder) {
    if (wxFileName::FileExists(executable_folder + "/" + kBackgroundImageFile)) {
        return executable_folder;
    }
    wxFileName installed = wxFileName::DirName(executable_folder);
    installed.RemoveLastDir();
    installed.AppendDir("share");
    installed.AppendDir("tollivance");
    const wxString share = installed.GetPath();
    if (wxFileName::FileExists(share + "/" + kBackgroundImageFile)) return share;
    // Neither holds the pictures: the window then simply goes without them.
    return executable_folder;
}
