#include "session/SessionDocuments.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "records/ReplyFields.h"
#include "records/ShownText.h"

const char* const kMalformedSessionReply = "The session service sent an incomplete reply";

namespace {

using Json = nlohmann::json;

// ---- request writer ----

void AppendMember(std::vector<std::pair<std::string, std::string>>& members,
                  const std::string& name, std::string value) {
    members.emplace_back(name, std::move(value));
}

// ---- reply reader ----

// A member that is present but cannot be converted; handled like a missing one.
struct ConversionError {};

// Deep nesting would make the library's recursive dump overflow the stack; no reply the
// service sends comes near this.
constexpr int kMaxNesting = 128;

bool NestingWithinLimit(const std::string& text) {
    int depth = 0;
    bool in_string = false;
    bool escaped = false;
    for (char c : text) {
        if (in_string) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                in_string = false;
            }
            continue;
        }
        if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxNesting) return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

// Any value as text: a string as it is, anything else as its compact JSON text.
std::string Text(const Json& value) {
    if (value.is_string()) return value.get_ref<const std::string&>();
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool Boolean(const Json& value) {
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_number_integer()) return value.get<std::int64_t>() != 0;  // signed or not
    if (value.is_number_float()) return value.get<double>() != 0.0;
    throw ConversionError{};
}

// A string holding a JSON number, and nothing else (no blanks around it).
Json NumberInString(const std::string& text) {
    if (text.empty()) throw ConversionError{};
    const char first = text.front();
    const char last = text.back();
    if (!(first == '-' || (first >= '0' && first <= '9')) || !(last >= '0' && last <= '9'))
        throw ConversionError{};
    Json number = Json::parse(text, nullptr, false);
    if (!number.is_number()) throw ConversionError{};
    return number;
}

// Non-negative integers; floats are truncated toward zero.
std::uint64_t Unsigned(const Json& value) {
    if (value.is_string()) return Unsigned(NumberInString(value.get_ref<const std::string&>()));
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (value.is_number_integer()) {
        const auto number = value.get<std::int64_t>();
        if (number < 0) throw ConversionError{};
        return static_cast<std::uint64_t>(number);
    }
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (!std::isfinite(number) || number <= -1.0 || number >= 18446744073709551616.0)
            throw ConversionError{};
        return static_cast<std::uint64_t>(number);
    }
    throw ConversionError{};
}

// Any integer as its two's-complement bit pattern; floats are truncated toward zero.
std::uint64_t IntegerBits(const Json& value) {
    if (value.is_string()) return IntegerBits(NumberInString(value.get_ref<const std::string&>()));
    if (value.is_number_unsigned()) return value.get<std::uint64_t>();
    if (value.is_number_integer()) return static_cast<std::uint64_t>(value.get<std::int64_t>());
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (!std::isfinite(number) || number < -9223372036854775808.0 ||
            number >= 9223372036854775808.0)
            throw ConversionError{};
        return static_cast<std::uint64_t>(static_cast<std::int64_t>(number));
    }
    throw ConversionError{};
}

std::uint16_t Port(const Json& value) {
    return static_cast<std::uint16_t>(Unsigned(value));
}

std::int32_t Signed32(const Json& value) {
    const auto low = static_cast<std::uint32_t>(IntegerBits(value));
    if (low <= 0x7fffffffu) return static_cast<std::int32_t>(low);
    return -static_cast<std::int32_t>(~low) - 1;
}

DriveEndpoint ReadEndpoint(const Json& endpoint) {
    std::string salt = Text(endpoint.at("salt"));
    const std::uint16_t port = Port(endpoint.at("port"));
    std::string host = Text(endpoint.at("host"));
    return DriveEndpoint{std::move(host), port, std::move(salt)};
}

ViewerSettings ReadSettings(const Json& settings) {
    const std::int32_t subsample = Signed32(settings.at("subsample"));
    const std::int32_t compression = Signed32(settings.at("compression"));
    const std::int32_t quality = Signed32(settings.at("quality"));
    return ViewerSettings{quality, compression, subsample};
}

bool Has(const Json& root, const char* name) {
    return root.is_object() && root.contains(name);
}

// The message of a reply that failed the guarded reading.
std::string FailureText(const Json& root) {
    if (Has(root, "err")) {
        // Judged as shown: a text of hidden characters alone would be an empty box.
        std::string text = ShownText(Text(root.at("err")));
        if (!text.empty()) return text;
    }
    return kMalformedSessionReply;
}

// The fields that reach the command lines of the viewer and the forwarding ssh, each only where
// the session uses it: the drive hosts only in tunnel mode (otherwise no ssh forwards them). The
// salts are only hashed, so any text will do.
void CheckCommandLineFields(const MirlNxSession& session) {
    const auto invalid = [](const std::string& field) {
        return std::string("The session service sent an invalid ") + field;
    };
    if (!IsHostField(session.host)) throw invalid("session host");
    if (!IsCookieField(session.cookie, session.protocol != "vnc")) {
        throw invalid("session cookie");
    }
    if (!session.tunnel_mode) return;
    const std::pair<const char*, const DriveEndpoint*> drives[] = {{"FTP", &session.ftp},
                                                                   {"WebDAV", &session.webdav}};
    for (const auto& [name, drive] : drives) {
        if (drive->port != 0 && !IsHostField(drive->host)) {
            throw invalid(std::string(name) + " host");
        }
    }
}

MirlNxSession ReadParsedReply(const Json& root, const MirlNxLogin& login,
                              const std::optional<std::string>& websock_server_ip) {
    MirlNxSession session;
    session.tunnel_mode = Has(root, "tunnel_mode") && Boolean(root.at("tunnel_mode"));
    if (websock_server_ip) session.websock = Has(root, "websock") && Boolean(root.at("websock"));
    if (Has(root, "ftp")) session.ftp = ReadEndpoint(root.at("ftp"));
    if (Has(root, "webdav")) session.webdav = ReadEndpoint(root.at("webdav"));
    session.protocol = Has(root, "protocol") ? Text(root.at("protocol")) : "nx";
    if (Has(root, "settings")) session.settings = ReadSettings(root.at("settings"));
    const Json& reply_session = root.at("session");
    session.cookie = Text(reply_session.at("cookie"));
    session.port = Port(reply_session.at("port"));
    session.host = session.websock ? *websock_server_ip : Text(reply_session.at("host"));
    session.login = login;
    return session;
}

}  // namespace

std::string QuoteJsonString(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() + 2);
    out.push_back('"');
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7f) {
                    out += "\\u00";
                    out.push_back(kHex[byte >> 4]);
                    out.push_back(kHex[byte & 0x0f]);
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

std::string BuildSessionRequest(const MirlNxLogin& login, DesktopRoute route) {
    std::vector<std::pair<std::string, std::string>> members;
    AppendMember(members, "username", QuoteJsonString(login.username));
    AppendMember(members, "password", QuoteJsonString(login.password));
    const std::pair<const char*, const std::string*> optional_strings[] = {
        {"serial", &login.serial},
        {"client_version", &login.client_version},
        {"printing", &login.printing},
        {"branding", &login.branding}};
    for (const auto& [name, value] : optional_strings) {
        if (!value->empty()) AppendMember(members, name, QuoteJsonString(*value));
    }
    AppendMember(members, "protocol", QuoteJsonString(login.protocol));
    AppendMember(members, "link", QuoteJsonString(login.link));
    AppendMember(members, "tunnel_mode", login.tunnel_mode ? "1" : "0");
    AppendMember(members, "enable_ftp", login.enable_ftp ? "1" : "0");
    AppendMember(members, "enable_webdav", login.enable_webdav ? "1" : "0");
    AppendMember(members, "display", "{\"depth\":" + std::to_string(login.depth) + "}");
    if (route == DesktopRoute::Websock) AppendMember(members, "websock", "true");

    // std::string compares bytes as unsigned char: ascending byte order.
    std::sort(members.begin(), members.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string out = "{";
    for (const auto& [name, value] : members) {
        if (out.size() > 1) out.push_back(',');
        out += QuoteJsonString(name);
        out.push_back(':');
        out += value;
    }
    out.push_back('}');
    return out;
}

MirlNxSession ReadSessionReply(const std::string& text, const MirlNxLogin& login,
                               const std::optional<std::string>& websock_server_ip) {
    if (!NestingWithinLimit(text)) {
        throw std::string("Decode error nesting deeper than " + std::to_string(kMaxNesting) +
                          " levels");
    }
    Json root;
    try {
        root = Json::parse(text);
    } catch (const Json::exception& e) {
        throw ShownText(std::string("Decode error ") + e.what());
    }
    MirlNxSession session;
    try {
        session = ReadParsedReply(root, login, websock_server_ip);
    } catch (const Json::exception&) {
        throw FailureText(root);
    } catch (const ConversionError&) {
        throw FailureText(root);
    }
    CheckCommandLineFields(session);
    return session;
}
