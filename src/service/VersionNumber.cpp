#include "service/VersionNumber.h"

#include <cctype>
#include <limits>
#include <tuple>

namespace {
// One "%d": optional white space, optional sign, at least one digit.
bool ReadNumber(const char*& p, std::int32_t& out) {
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    std::int64_t value = 0;
    const std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        value = value * 10 + (*p++ - '0');
        // Out of range is undefined for sscanf; here it is simply not a version.
        if (value > limit) return false;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min()) {
        return false;
    }
    out = static_cast<std::int32_t>(value);
    return true;
}
}  // namespace

std::optional<VersionNumber> ParseVersionNumber(const std::string& text) {
    const char* p = text.c_str();
    VersionNumber version;
    if (!ReadNumber(p, version.major) || *p++ != '.') return std::nullopt;
    if (!ReadNumber(p, version.minor) || *p++ != '.') return std::nullopt;
    if (!ReadNumber(p, version.patch)) return std::nullopt;
    return version;
}

bool IsNewerVersion(const VersionNumber& published, const VersionNumber& own) {
    return std::tie(published.major, published.minor, published.patch) >
           std::tie(own.major, own.minor, own.patch);
}

bool OffersNewerVersion(const std::string& published_text, const std::string& own_text) {
    const auto published = ParseVersionNumber(published_text);
    const auto own = ParseVersionNumber(own_text);
    return published && own && IsNewerVersion(*published, *own);
}
