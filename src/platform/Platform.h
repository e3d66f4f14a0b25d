#pragma once

// The platform word in the client identification string.
#ifdef _WIN32
inline constexpr const char* kPlatformWord = "win32";
#else
inline constexpr const char* kPlatformWord = "linux";
#endif
