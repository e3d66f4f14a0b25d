#include "app/ShownName.h"

namespace {
// Length of the UTF-8 sequence at bytes[at] and its code point; 0 when it is not one.
std::size_t DecodeOne(const std::string& bytes, std::size_t at, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and values past Unicode are not characters.
    if (code < least || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
    return length;
}

// Characters that would reorder, break or hide what is shown around the name.
bool Unfit(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029 ||
           (code >= 0x200B && code <= 0x200F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069) || code == 0xFEFF;
}
}  // namespace

std::string ShownName(const std::string& bytes, std::size_t most_characters) {
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < bytes.size(); ++characters) {
        char32_t code = 0;
        const std::size_t length = DecodeOne(bytes, at, code);
        const std::size_t next = at + (length == 0 ? 1 : length);
        // The last place left goes to "…" when more would follow.
        if (characters + 1 == most_characters && next < bytes.size()) {
            shown += "\xE2\x80\xA6";
            break;
        }
        if (length == 0 || Unfit(code)) {
            shown += '?';
        } else {
            shown.append(bytes, at, length);
        }
        at = next;
    }
    return shown;
}
