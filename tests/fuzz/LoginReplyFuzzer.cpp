// Every login reply ends in a server whose address could stand on a command line (its host is
// looked at where ssh gets it), or
// in a short message: no crash, no leak, no other exception. The form body keeps the user as
// it is and the proof in its place whatever the user and password hold.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "records/ReplyFields.h"
#include "records/ShownText.h"
#include "service/LoginExchange.h"

namespace {

void ReadReply(const std::string& text) {
    try {
        const MirlNxServer server = ReadLoginReply(text);
        if (!IsHostField(server.ip)) std::abort();
    } catch (const std::string& message) {
        if (message.empty() && !text.empty()) std::abort();
        if (message.size() > kShownTextLimit + 3) std::abort();
    }
}

std::string Hex(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += '%';
        out += digits[byte >> 4];
        out += digits[byte & 0x0f];
    }
    return out;
}

void BuildForm(const std::string& text) {
    MirlNxLogin login;
    const std::size_t split = text.find('&');
    login.username = text.substr(0, split);
    login.password = split == std::string::npos ? std::string() : text.substr(split + 1);
    login.serial = text.substr(0, 64);
    const std::string salt = "0123456789abcdef";
    const std::string body = LoginFormBody(login, salt, Hex);
    const std::string head = "u=" + login.username + "&p=" + Hex(login.password) + "&s=" + salt;
    if (body.compare(0, head.size(), head) != 0) std::abort();
    if (body.size() != head.size() + 3 + 64 || body.compare(head.size(), 3, "&h=") != 0) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    ReadReply(text);
    BuildForm(text);
    return 0;
}
