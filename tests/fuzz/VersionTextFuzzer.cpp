// The version text is read as the C library's "%d.%d.%d" would read it, without its undefined
// behaviour on numbers that do not fit: whenever no number can overflow, both agree.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "service/VersionNumber.h"

namespace {

bool HasLongDigitRun(const std::string& text) {
    int run = 0;
    for (const char c : text) {
        run = (c >= '0' && c <= '9') ? run + 1 : 0;
        if (run > 9) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto parsed = ParseVersionNumber(text);
    if (!HasLongDigitRun(text)) {
        int major = 0;
        int minor = 0;
        int patch = 0;
        const int read = std::sscanf(text.c_str(), "%d.%d.%d", &major, &minor, &patch);
        if ((read == 3) != parsed.has_value()) std::abort();
        if (parsed && (parsed->major != major || parsed->minor != minor || parsed->patch != patch))
            std::abort();
    }
    const VersionNumber own{3, 0, 3};
    if (OffersNewerVersion(text, "3.0.3") != (parsed && IsNewerVersion(*parsed, own))) std::abort();
    return 0;
}
