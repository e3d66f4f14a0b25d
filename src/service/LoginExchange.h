#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "records/Records.h"
#include "records/ReplyFields.h"

inline constexpr std::size_t kLoginSaltLength = 16;

// A 200 reply that is not JSON, or whose "host", "ip" or "port" cannot be read as the right
// type: the login still has to end with a message the user can act on.
inline constexpr const char* kInvalidLoginReply = "The service sent an invalid login reply";
// An "ip" that is not a host name or an IP literal (a "host" is looked at where ssh gets it:
// a session over the web-socket proxy never uses it; kInvalidServerHost when it is the address).
inline constexpr const char* kInvalidServerAddress = "The service sent an invalid server address";
// Anything else unexpected on the login thread.
inline constexpr const char* kLoginFallbackMessage = "An error has occurred";

using PercentEncoder = std::function<std::string(const std::string&)>;

// "u=" user (as it is) "&p=" encoded password "&s=" salt "&h=" Sha256Hex(serial + salt).
std::string LoginFormBody(const MirlNxLogin& login, const std::string& salt,
                          const PercentEncoder& encode);

// The server named by a 200 reply. Throws the body (shortened to ShownText) when it is not an
// object with "host" and "port", kInvalidLoginReply when it is not JSON or a member has the
// wrong type, and kInvalidServerAddress for an address that is neither a host name nor an IP
// literal (kInvalidServerHost when the host stands for a missing address).
MirlNxServer ReadLoginReply(const std::string& body);
