#include "service/LoginExchange.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <limits>

#include "records/ReplyFields.h"
#include "records/ShownText.h"
#include "service/Sha256Hex.h"

namespace {
// Digits only; anything else (sign, blank, fraction, too large) is not a port.
bool ParseUnsigned(const std::string& text, std::uint64_t& value) {
    if (text.empty()) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

std::uint64_t ReadPort(const nlohmann::json& port) {
    std::uint64_t value = 0;
    if (port.is_number_unsigned()) return port.get<std::uint64_t>();
    if (port.is_number_integer() && port.get<std::int64_t>() >= 0) {
        return static_cast<std::uint64_t>(port.get<std::int64_t>());
    }
    if (port.is_string() && ParseUnsigned(port.get<std::string>(), value)) return value;
    throw std::string(kInvalidLoginReply);
}

std::string ReadText(const nlohmann::json& member) {
    if (!member.is_string()) throw std::string(kInvalidLoginReply);
    return member.get<std::string>();
}
}  // namespace

std::string LoginFormBody(const MirlNxLogin& login, const std::string& salt,
                          const PercentEncoder& encode) {
    return "u=" + login.username + "&p=" + encode(login.password) + "&s=" + salt +
           "&h=" + Sha256Hex(login.serial + salt);
}

MirlNxServer ReadLoginReply(const std::string& body) {
    // Read as text: a NUL ends it.
    const std::string text = body.substr(0, body.find('\0'));
    const nlohmann::json reply = nlohmann::json::parse(text, nullptr, false);
    if (reply.is_discarded()) throw std::string(kInvalidLoginReply);
    if (!reply.is_object() || !reply.contains("host") || !reply.contains("port")) {
        throw ShownText(body);
    }

    MirlNxServer server;
    server.port = static_cast<std::uint16_t>(ReadPort(reply.at("port")) & 0xFFFFu);
    server.host = ReadText(reply.at("host"));
    const bool has_ip = reply.contains("ip");
    server.ip = has_ip ? ReadText(reply.at("ip")) : server.host;
    // The address ends up in the session's URLs; the host only on the forwarding ssh's command
    // line, which checks it, since a session over the web-socket proxy never uses it.
    if (!IsHostField(server.ip)) {
        throw std::string(has_ip ? kInvalidServerAddress : kInvalidServerHost);
    }
    return server;
}
