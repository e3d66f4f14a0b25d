#pragma once

#include <optional>
#include <string>

#include "records/Records.h"

// The session request and reply documents shared by every DesktopSession variant. Pure
// functions: no I/O, no toolkit.

// Which way the desktop is asked for: the service's web-socket proxy, or the plain session.
enum class DesktopRoute { Plain, Websock };

// The request document for a login: compact, members in ascending byte order of their names,
// the three flags as the integers 0/1, "display" as {"depth":N}. "websock":true is added only
// for the web-socket route. Written by our own writer: strings escape exactly \" \\ \b \f \n
// \r \t, the other bytes below 32 and 127 as \u00XX (upper-case hex), everything else
// (including "/" and non-ASCII bytes) is copied unchanged.
std::string BuildSessionRequest(const MirlNxLogin& login, DesktopRoute route);

// Escapes one string for the request document, quotes included.
std::string QuoteJsonString(const std::string& bytes);

// Reads a reply document into a session carrying a copy of login. websock_server_ip is given
// only by the websocket variant: then the reply's "websock" is read, and when it is true the
// session's host is that address and "session"->"host" may be absent.
// Throws a std::string message: "Decode error " + the parser's message for text that is not
// JSON; the reply's "err" text when a needed member is missing or cannot be converted; and
// kMalformedSessionReply when there is no usable "err" (or the reply is not an object); and
// "The session service sent an invalid " + the field's name for a host, cookie or salt that
// could not be put on a command line as one argument (see records/ReplyFields.h). Texts
// from the reply are shortened to ShownText. Never throws anything else, whatever the text.
MirlNxSession ReadSessionReply(const std::string& text, const MirlNxLogin& login,
                               const std::optional<std::string>& websock_server_ip);

extern const char* const kMalformedSessionReply;
