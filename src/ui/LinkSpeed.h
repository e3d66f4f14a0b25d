#pragma once

#include <string>

// Positions of the connection profiles in the window's profile list.
enum ConnectionProfile { kLowBandwidthProfile = 0, kDefaultProfile = 1, kHighSpeedProfile = 2 };

// The link speed word of the login for the profile list's selection (-1 when nothing is
// selected) among entry_count entries.
std::string LinkSpeedForProfile(int selection, unsigned entry_count);
