#include "platform/XdgUserDirs.h"

#include <sstream>

namespace {
void SkipBlanks(const std::string& line, std::size_t& at) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
}

// The folder one line names, or empty.
std::string FolderOf(const std::string& line, const std::string& home) {
    static const std::string key = "XDG_DOWNLOAD_DIR";
    std::size_t at = 0;
    SkipBlanks(line, at);
    if (line.compare(at, key.size(), key) != 0) return "";
    at += key.size();
    SkipBlanks(line, at);
    if (at >= line.size() || line[at] != '=') return "";
    SkipBlanks(line, ++at);
    if (at >= line.size() || line[at] != '"') return "";
    ++at;
    std::string folder;
    if (line.compare(at, 5, "$HOME") == 0 && (line[at + 5] == '/' || line[at + 5] == '"')) {
        if (home.empty()) return "";
        folder = home;
        at += 5;
    } else if (at >= line.size() || line[at] != '/') {
        return "";  // neither form: xdg-user-dir would not find it either
    }
    for (; at < line.size(); ++at) {
        if (line[at] == '"') return folder;
        if (line[at] == '\\' && at + 1 < line.size()) ++at;
        folder += line[at];
    }
    return "";  // no closing quote
}
}  // namespace

std::string XdgDownloadDir(const std::string& dirs_text, const std::string& home) {
    std::istringstream lines(dirs_text);
    std::string found;
    for (std::string line; std::getline(lines, line);) {
        const std::string folder = FolderOf(line, home);
        if (!folder.empty()) found = folder;
    }
    return found;
}
