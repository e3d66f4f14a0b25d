#pragma once

// The client version (the project's version, given by the build): window title, client
// identification string, update comparison.
inline constexpr const char* kClientVersion = TOLLIVANCE_VERSION;
inline constexpr const char* kTitlePrefix = "Quorvanta Tollivance ";
inline constexpr const char* kBranding = "tollivance";
