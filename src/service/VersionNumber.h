#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct VersionNumber {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::int32_t patch = 0;
};

// The leading "%d.%d.%d" of the text as the C library's formatted input reads it: white space
// before each number is skipped, a sign is allowed, the rest is ignored, a NUL ends the text.
// Empty when the text does not start with three numbers or a number does not fit.
std::optional<VersionNumber> ParseVersionNumber(const std::string& text);

// Greater in the order major, minor, patch; equal is not newer.
bool IsNewerVersion(const VersionNumber& published, const VersionNumber& own);

// Whether the published version text names a newer version than own. A text without three
// numbers never does.
bool OffersNewerVersion(const std::string& published_text, const std::string& own_text);
