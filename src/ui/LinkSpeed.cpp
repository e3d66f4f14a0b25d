#include "ui/LinkSpeed.h"

std::string LinkSpeedForProfile(int selection, unsigned entry_count) {
    if (selection < 0 || static_cast<unsigned>(selection) >= entry_count) return "adsl";
    switch (selection) {
        case kLowBandwidthProfile:
            return "modem";
        case kHighSpeedProfile:
            return "wan";
        default:
            return "adsl";
    }
}
