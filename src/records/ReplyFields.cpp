#include "records/ReplyFields.h"

#include <algorithm>

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
