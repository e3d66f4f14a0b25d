#pragma once

#include <cstddef>
#include <string>

// What the service may put into the fields that end up on a child program's command line. The
// service is reached without checking who answers, so its replies are screened before anything
// is started from them: a field that could pass for an option or carry a second argument is
// refused, not escaped.

// A DNS name (letters, digits, hyphens and underscores in dot-separated labels, none starting
// or ending with a hyphen, with at most one trailing dot) or an IPv4 or IPv6 literal.
bool IsHostField(const std::string& text);

// A cookie: one argument that cannot pass for an option (no leading hyphen), with no control
// characters (a NUL would cut it short); for NX no comma either, since it goes into the proxy's
// comma-separated option string. Blanks, quotes and backslashes are fine: the cookie is one
// argument on every system. Not empty.
bool IsCookieField(const std::string& text, bool nx);

// Refused server host names, wherever the host is about to be used.
inline constexpr const char* kInvalidServerHost = "The service sent an invalid server host name";
