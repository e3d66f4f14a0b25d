#include "platform/LocaleText.h"

#include <wx/strconv.h>

#include <vector>

std::string ToLocaleBytes(const wxString& text) {
    if (text.empty()) return "";
    const wxWCharBuffer wide = text.wc_str();
    const size_t needed = wxConvLibc.FromWChar(nullptr, 0, wide.data(), text.length());
    if (needed == wxCONV_FAILED) return "";
    std::string out(needed, '\0');
    if (wxConvLibc.FromWChar(out.data(), needed, wide.data(), text.length()) == wxCONV_FAILED) {
        return "";
    }
    return out;
}

std::string LocaleFolderName(const wxString& folder) {
    const std::string bytes = ToLocaleBytes(folder);
    if (!bytes.empty() || folder.empty()) return bytes;
    std::string shown;
    for (const wxUniChar c : folder) shown += c.IsAscii() ? static_cast<char>(c.GetValue()) : '?';
    throw std::string("The folder " + shown +
                      " cannot be named in this computer's character set; nothing was started");
}

wxString FromLocaleBytes(const std::string& bytes) {
    if (bytes.empty()) return wxString();
    const size_t needed = wxConvLibc.ToWChar(nullptr, 0, bytes.data(), bytes.size());
    if (needed == wxCONV_FAILED) return wxString();
    std::vector<wchar_t> wide(needed + 1, L'\0');
    if (wxConvLibc.ToWChar(wide.data(), needed, bytes.data(), bytes.size()) == wxCONV_FAILED) {
        return wxString();
    }
    return wxString(wide.data(), needed);
}
