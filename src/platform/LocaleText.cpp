#include "platform/LocaleText.h"

#include <vector>

#include "platform/LocaleTextConv.h"

namespace {
std::string ToBytes(const wxMBConv& conv, const wxString& text) {
    if (text.empty()) return "";
    const wxWCharBuffer wide = text.wc_str();
    const size_t needed = conv.FromWChar(nullptr, 0, wide.data(), text.length());
    if (needed == wxCONV_FAILED) return "";
    std::string out(needed, '\0');
    if (conv.FromWChar(out.data(), needed, wide.data(), text.length()) == wxCONV_FAILED) {
        return "";
    }
    return out;
}

wxString FromBytes(const wxMBConv& conv, const std::string& bytes) {
    if (bytes.empty()) return wxString();
    const size_t needed = conv.ToWChar(nullptr, 0, bytes.data(), bytes.size());
    if (needed == wxCONV_FAILED) return wxString();
    std::vector<wchar_t> wide(needed + 1, L'\0');
    if (conv.ToWChar(wide.data(), needed, bytes.data(), bytes.size()) == wxCONV_FAILED) {
        return wxString();
    }
    return wxString(wide.data(), needed);
}
}  // namespace

std::string ToLocaleBytes(const wxString& text) {
    return ToBytes(NarrowTextConv(), text);
}

wxString FromLocaleBytes(const std::string& bytes) {
    return FromBytes(NarrowTextConv(), bytes);
}

std::string ToUtf8Bytes(const wxString& text) {
    return ToBytes(wxConvUTF8, text);
}

wxString FromUtf8Bytes(const std::string& bytes) {
    return FromBytes(wxConvUTF8, bytes);
}

std::string LocaleFolderName(const wxString& folder) {
    const std::string bytes = ToLocaleBytes(folder);
    if (!bytes.empty() || folder.empty()) return bytes;
    std::string shown;
    for (const wxUniChar c : folder) shown += c.IsAscii() ? static_cast<char>(c.GetValue()) : '?';
    throw std::string("The folder " + shown +
                      " cannot be named in this computer's character set; nothing was started");
}
