#include "platform/SecretScrubber.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace {
// A base64 piece this short is too common in ordinary text to be taken out.
constexpr std::size_t kShortestBase64Core = 6;
constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Unpadded(std::string base64) {
    while (!base64.empty() && base64.back() == '=') base64.pop_back();
    return base64;
}

std::string UrlSafe(std::string base64) {
    std::replace(base64.begin(), base64.end(), '+', '-');
    std::replace(base64.begin(), base64.end(), '/', '_');
    return base64;
}

// Inside a longer encoded text the secret's bytes may start one or two bytes into a group of
// three: the characters made of the secret's bits alone are the same wherever that text is.
std::string Base64Core(const std::string& secret, std::size_t lead) {
    const std::string encoded = Unpadded(Base64Form(std::string(lead, '\0') + secret));
    const std::size_t first_bit = 8 * lead;
    const std::size_t end_bit = 8 * (lead + secret.size());
    const std::size_t first = (first_bit + 5) / 6;
    const std::size_t end = end_bit / 6;
    return end > first ? encoded.substr(first, end - first) : std::string();
}
}  // namespace

std::string HexForm(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 0xf];
    }
    return hex;
}

std::string PercentForm(const std::string& bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : bytes) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kDigits[c >> 4];
            encoded += kDigits[c & 0xf];
        }
    }
    return encoded;
}

std::string Base64Form(const std::string& bytes) {
    std::string encoded;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) value |= static_cast<unsigned char>(bytes[i + 2]);
        encoded += kBase64[(value >> 18) & 63];
        encoded += kBase64[(value >> 12) & 63];
        encoded += i + 1 < bytes.size() ? kBase64[(value >> 6) & 63] : '=';
        encoded += i + 2 < bytes.size() ? kBase64[value & 63] : '=';
    }
    return encoded;
}

void SecretScrubber::Add(const std::string& secret) {
    if (secret.empty()) return;
    std::string percent_plus = PercentForm(secret);  // a form body writes a blank as "+"
    for (std::size_t at = 0; (at = percent_plus.find("%20", at)) != std::string::npos;) {
        percent_plus.replace(at, 3, "+");
    }
    std::vector<std::string> added = {secret,
                                      HexForm(secret),
                                      PercentForm(secret),
                                      percent_plus,
                                      Unpadded(Base64Form(secret)),
                                      UrlSafe(Unpadded(Base64Form(secret)))};
    for (std::size_t lead = 0; lead < 3; ++lead) {
        const std::string core = Base64Core(secret, lead);
        if (core.size() < kShortestBase64Core) continue;
        added.push_back(core);
        added.push_back(UrlSafe(core));
    }
    for (const std::string& form : added) {
        const std::string lower = Lower(form);
        if (!lower.empty() && std::find(forms.begin(), forms.end(), lower) == forms.end()) {
            forms.push_back(lower);
        }
    }
    // The longest first, so that a form inside a longer one never leaves the rest of it behind.
    std::stable_sort(forms.begin(), forms.end(), [](const std::string& a, const std::string& b) {
        return a.size() > b.size();
    });
}

namespace {
// What ends a field: a blank, a quote, a bracket, a list's separator, or the text's end. Not a
// dot, dash or slash, which join the words of a name or path.
bool EndsAField(const std::string& text, std::size_t at) {
    return at >= text.size() ||
           std::string_view(" \t\"'`,;:=&@()[]{}<>|").find(text[at]) != std::string_view::npos;
}

std::string Starred(const std::string& text, const std::vector<std::string>& forms,
                    bool short_forms) {
    std::string scrubbed = text;
    std::string lower = Lower(text);
    for (const std::string& form : forms) {
        const bool is_short = form.size() < SecretScrubber::kShortForm;
        if (is_short && !short_forms) continue;
        for (std::size_t at = 0; (at = lower.find(form, at)) != std::string::npos;) {
            if (is_short &&
                !((at == 0 || EndsAField(lower, at - 1)) && EndsAField(lower, at + form.size()))) {
                ++at;
                continue;
            }
            scrubbed.replace(at, form.size(), "***");
            lower.replace(at, form.size(), "***");
            at += 3;
        }
    }
    return scrubbed;
}
}  // namespace

std::string SecretScrubber::Scrub(const std::string& text) const {
    return Starred(text, forms, false);
}

std::string SecretScrubber::ScrubValue(const std::string& text) const {
    return Starred(text, forms, true);
}
