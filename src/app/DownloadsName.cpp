#include "app/DownloadsName.h"

#include <cstring>

#include "records/ShownText.h"

namespace {
// An extension is kept whole: at most this long, dot included, with no blank in it.
constexpr std::size_t kMostExtensionBytes = 16;

// What Windows refuses in a name beside the control characters.
bool Refused(char c) {
    return c != '\0' && std::strchr("/\\:*?\"<>|", c) != nullptr;
}

std::size_t ExtensionStart(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > kMostExtensionBytes ||
        name.find(' ', dot) != std::string::npos) {
        return name.size();
    }
    return dot;
}

// Windows opens the device, not a file, for "CON", "con.txt" or "COM1 .pdf".
bool IsDeviceName(const std::string& name) {
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    for (char& c : stem) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
        if (stem == device) return true;
    }
    if (stem.compare(0, 3, "COM") != 0 && stem.compare(0, 3, "LPT") != 0) return false;
    const std::string number = stem.substr(3);
    // A digit, or a superscript one, two or three.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

void TrimEnd(std::string& name) {
    const std::size_t last = name.find_last_not_of(". ");
    name.erase(last == std::string::npos ? 0 : last + 1);
}

// At most kMostNameBytes, the extension kept, cut where a character begins.
void Shorten(std::string& name) {
    if (name.size() <= kMostNameBytes) return;
    const std::size_t extension_start = ExtensionStart(name);
    const std::string extension = name.substr(extension_start);
    std::size_t keep = kMostNameBytes - extension.size();
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    name = name.substr(0, keep) + extension;
}
}  // namespace

std::string DownloadsName(const std::string& remote_name) {
    // ShownName takes out controls and direction marks and makes what is no character U+FFFD,
    // which a file name shows as "_".
    std::string name;
    const std::string shown = ShownName(remote_name, std::string::npos);
    const std::string replacement = "\xEF\xBF\xBD";
    for (std::size_t at = 0; at < shown.size();) {
        const bool replaced = shown.compare(at, replacement.size(), replacement) == 0;
        name += replaced ? '_' : shown[at];
        at += replaced ? replacement.size() : 1;
    }
    for (char& c : name) {
        if (Refused(c)) c = '_';
    }
    name.erase(0, name.find_first_not_of(". "));
    Shorten(name);
    TrimEnd(name);
    if (name.empty()) return kFallbackName;
    if (IsDeviceName(name)) name.insert(0, "_");
    return name;
}

std::string NumberedName(const std::string& name, unsigned attempt) {
    if (attempt <= 1) return name;
    const std::size_t extension_start = ExtensionStart(name);
    return name.substr(0, extension_start) + " (" + std::to_string(attempt) + ")" +
           name.substr(extension_start);
}

std::string AsciiName(const std::string& name) {
    std::string ascii;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            ascii += c;
        } else if (byte >= 0xC0) {
            ascii += '_';  // a character's first byte; the rest of it is left out
        }
    }
    return ascii;
}
