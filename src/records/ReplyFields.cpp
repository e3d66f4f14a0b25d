#include "records/ReplyFields.h"

#include <algorithm>
#include <utility>

namespace {

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsLabelCharacter(char c) {
    return IsAsciiAlnum(c) || c == '-' || c == '_';
}

// Dot-separated labels of letters, digits, hyphens and underscores, none starting or ending
// with a hyphen; one trailing dot (the root) is allowed.
bool IsDnsName(const std::string& raw) {
    const std::string text =
        !raw.empty() && raw.back() == '.' ? raw.substr(0, raw.size() - 1) : raw;
    if (text.empty() || text.size() > 253) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        const std::size_t end = dot == std::string::npos ? text.size() : dot;
        const std::size_t length = end - start;
        if (length == 0 || length > 63) return false;
        if (text[start] == '-' || text[end - 1] == '-') return false;
        for (std::size_t i = start; i < end; ++i) {
            if (!IsLabelCharacter(text[i])) return false;
        }
        if (dot == std::string::npos) return true;
        start = dot + 1;
    }
}

bool IsIpv4(const std::string& text) {
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        const std::size_t end = dot == std::string::npos ? text.size() : dot;
        if (end == start || end - start > 3) return false;
        int value = 0;
        for (std::size_t i = start; i < end; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            value = value * 10 + (text[i] - '0');
        }
        if (value > 255) return false;
        ++parts;
        if (dot == std::string::npos) return parts == 4;
        start = dot + 1;
    }
}

// Groups of up to four hex digits separated by colons, at most one "::", optionally ending in
// an IPv4 address; eight groups in all (an IPv4 tail counts as two).
bool IsIpv6(const std::string& text) {
    if (text.size() < 2 || text.size() > 45) return false;
    const std::size_t gap = text.find("::");
    if (gap != std::string::npos && text.find("::", gap + 1) != std::string::npos) return false;
    int groups = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        if (gap != std::string::npos && start == gap) {
            start = gap + 2;
            if (start == text.size()) break;
            continue;
        }
        const std::size_t colon = text.find(':', start);
        const std::size_t end = colon == std::string::npos ? text.size() : colon;
        const std::string group = text.substr(start, end - start);
        if (colon == std::string::npos && group.find('.') != std::string::npos) {
            if (!IsIpv4(group)) return false;
            groups += 2;
            break;
        }
        if (group.empty() || group.size() > 4) return false;
        if (!std::all_of(group.begin(), group.end(), IsHexDigit)) return false;
        ++groups;
        if (colon == std::string::npos) break;
        if (colon == gap) {
            start = gap;
            continue;
        }
        start = colon + 1;
        if (start == text.size()) return false;  // a single trailing colon
    }
    return gap == std::string::npos ? groups == 8 : groups < 8;
}

}  // namespace

bool IsHostField(const std::string& text) {
    return IsDnsName(text) || IsIpv4(text) || IsIpv6(text);
}

bool IsCookieField(const std::string& text, bool nx) {
    if (text.empty() || text.front() == '-') return false;
    if (nx && text.find(',') != std::string::npos) return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

namespace {
// One UTF-8 character at text[i]: its code point and length, or 0 and 1 for a byte that starts
// no valid character (stray, overlong, surrogate, past U+10FFFF or cut short).
std::pair<char32_t, std::size_t> DecodeUtf8(const std::string& text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return {lead, 1};
    std::size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return {0, 1};
    }
    if (i + length > text.size()) return {0, 1};
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return {0, 1};
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {0, 1};
    return {code, length};
}

// Control characters (C0 but the line end, DEL, C1) and the marks that reorder text on screen
// (embeddings, overrides, isolates), which a server could use to make a message read otherwise.
bool IsHiddenCharacter(char32_t code) {
    if (code == '\n') return false;
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return true;
    return code == 0x061C || code == 0x200E || code == 0x200F ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}
}  // namespace

std::string ShownText(const std::string& text, std::size_t max_bytes) {
    const std::string replacement = "\xEF\xBF\xBD";  // U+FFFD
    std::string shown;
    std::size_t lines = 1;
    bool cut = false;
    for (std::size_t i = 0; i < text.size() && !cut;) {
        const auto [code, length] = DecodeUtf8(text, i);
        std::string piece;
        if (length == 1 && static_cast<unsigned char>(text[i]) >= 0x80) {
            piece = replacement;
        } else if (code == '\t') {
            piece = " ";
        } else if (!IsHiddenCharacter(code)) {
            piece = text.substr(i, length);
        }
        i += length;
        if (code == '\n' && ++lines > kShownTextLines) {
            cut = i < text.size();
            break;
        }
        if (shown.size() + piece.size() > max_bytes) {
            cut = true;
            break;
        }
        shown += piece;
    }
    return cut ? shown + "..." : shown;
}
