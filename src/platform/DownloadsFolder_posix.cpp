#include <sys/stat.h>
#include <wx/utils.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "platform/DownloadsFolder.h"
#include "platform/LocaleText.h"
#include "platform/XdgUserDirs.h"

namespace {
std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool Absolute(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

// user-dirs.dirs is a few lines; more is not read.
std::string ReadDirsFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text(64 * 1024, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

// Makes the folder and those above it that are missing; 0 or the error number.
int MakeFolders(const std::string& folder) {
    for (std::size_t at = folder.find('/', 1);; at = folder.find('/', at + 1)) {
        if (::mkdir(folder.substr(0, at).c_str(), S_IRWXU) != 0 && errno != EEXIST) return errno;
        if (at == std::string::npos) break;
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) return errno;
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

std::string DownloadsPath() {
    std::string home = Variable("HOME");
    if (home.empty()) home = ToLocaleBytes(wxGetHomeDir());
    std::string config = Variable("XDG_CONFIG_HOME");
    if (!Absolute(config) && Absolute(home)) config = home + "/.config";
    std::string folder;
    if (Absolute(config)) folder = XdgDownloadDir(ReadDirsFile(config + "/user-dirs.dirs"), home);
    if (folder.empty() && Absolute(Variable("XDG_DOWNLOAD_DIR")))
        folder = Variable("XDG_DOWNLOAD_DIR");
    if (folder.empty() && Absolute(home)) folder = home + "/Downloads";
    return folder;
}
}  // namespace

wxString DownloadsFolder() {
    const std::string folder = DownloadsPath();
    if (folder.empty()) throw std::string("There is no home folder to hold a Downloads folder");
    const wxString name = FromLocaleBytes(folder);
    if (name.empty()) {
        throw std::string("The Downloads folder cannot be named in this computer's character set");
    }
    const int error = MakeFolders(folder);
    if (error != 0) {
        throw std::string("The Downloads folder " + folder + " cannot be made (" +
                          std::strerror(error) + ")");
    }
    return name;
}

bool FileNameCanHold(const wxString& name) {
    return name.empty() || !ToLocaleBytes(name).empty();
}
