#pragma once

// The client version: window title, client identification string, update comparison.
inline constexpr const char* kClientVersion = "3.0.3";
inline constexpr const char* kTitlePrefix = "Quorvanta Tollivance ";
inline constexpr const char* kBranding = "tollivance";
