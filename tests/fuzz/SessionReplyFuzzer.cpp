// Every input ends in a session or a message: no crash, no leak, no other exception. The
// request writer's output parses back to the same strings whenever they are valid UTF-8.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "session/SessionDocuments.h"

namespace {

void ReadReply(const std::string& text, const MirlNxLogin& login,
               const std::optional<std::string>& websock_ip) {
    try {
        const MirlNxSession session = ReadSessionReply(text, login, websock_ip);
        if (session.websock && (!websock_ip || session.host != *websock_ip)) std::abort();
        if (!(session.login == login)) std::abort();
    } catch (const std::string& message) {
        if (message.empty()) std::abort();
    }
}

bool ValidUtf8(const std::string& text) {
    try {
        (void)nlohmann::json(text).dump();
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    MirlNxLogin login;
    login.username = text.substr(0, 16);
    login.password = text;
    ReadReply(text, login, std::nullopt);
    ReadReply(text, login, std::string("10.0.0.1"));

    const std::string request = BuildSessionRequest(login, DesktopRoute::Websock);
    if (ValidUtf8(text) && ValidUtf8(login.username)) {
        const auto parsed = nlohmann::json::parse(request);
        if (parsed.at("password") != text || parsed.at("websock") != true) std::abort();
    }
    return 0;
}
