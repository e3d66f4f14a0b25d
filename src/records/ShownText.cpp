#include "records/ShownText.h"

#include <utility>

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

// The one table: what would hide, reorder, break or blank out the text around it. Controls
// (C0, DEL, C1), the Arabic letter mark and the other direction marks, embeddings, overrides
// and isolates, zero-width characters and joiners, the line and paragraph separators and the
// byte-order mark. The tab and the line end are decided by the caller before this.
bool IsHidden(char32_t code) {
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return true;
    return code == 0x061C || (code >= 0x200B && code <= 0x200F) || code == 0x2028 ||
           code == 0x2029 || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2060 && code <= 0x2064) || (code >= 0x2066 && code <= 0x2069) ||
           code == 0xFEFF;
}

// Valid UTF-8 without hidden characters; a line end kept or made a blank.
std::string Cleaned(const std::string& text, bool keep_line_ends) {
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto [code, length] = DecodeUtf8(text, i);
        if (length == 1 && static_cast<unsigned char>(text[i]) >= 0x80) {
            clean += "\xEF\xBF\xBD";  // U+FFFD
        } else if (code == '\t' || (code == '\n' && !keep_line_ends)) {
            clean += ' ';
        } else if (code == '\n' || !IsHidden(code)) {
            clean.append(text, i, length);
        }
        i += length;
    }
    return clean;
}

// Length of the character of clean (valid UTF-8) that starts at i.
std::size_t CharacterLength(const std::string& clean, std::size_t i) {
    std::size_t next = i + 1;
    while (next < clean.size() && (static_cast<unsigned char>(clean[next]) & 0xC0) == 0x80) ++next;
    return next - i;
}
}  // namespace

std::string ShownText(const std::string& text, std::size_t max_bytes) {
    const std::string clean = Cleaned(text, true);
    std::size_t end = 0;
    std::size_t lines = 1;
    while (end < clean.size()) {
        const std::size_t length = CharacterLength(clean, end);
        // The line end that would open one line too many ends the text; "..." if more follows.
        if (clean[end] == '\n' && ++lines > kShownTextLines) {
            return end + 1 < clean.size() ? clean.substr(0, end) + "..." : clean.substr(0, end);
        }
        if (end + length > max_bytes) return clean.substr(0, end) + "...";
        end += length;
    }
    return clean;
}

std::string ShownName(const std::string& text, std::size_t most_characters) {
    const std::string clean = Cleaned(text, false);
    std::size_t end = 0;
    for (std::size_t characters = 0; end < clean.size(); ++characters) {
        // The last place left goes to "…" when more would follow.
        const std::size_t length = CharacterLength(clean, end);
        if (characters + 1 >= most_characters && end + length < clean.size()) {
            return clean.substr(0, end) + "\xE2\x80\xA6";
        }
        end += length;
    }
    return clean;
}
