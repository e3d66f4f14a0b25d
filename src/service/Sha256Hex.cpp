#include "service/Sha256Hex.h"

#include "platform/Sha256Digest.h"

std::string Sha256Hex(const std::string& bytes) {
    static const char hex[] = "0123456789abcdef";
    std::string text;
    text.reserve(64);
    for (const unsigned char byte : Sha256Digest(bytes)) {
        text += hex[byte >> 4];
        text += hex[byte & 0x0f];
    }
    return text;
}
