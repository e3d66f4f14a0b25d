#pragma once

#include <cstddef>
#include <string>

// What the service may put into the fields that end up on a child program's command line. The
// service is reached without checking who answers, so its replies are screened before anything
// is started from them: a field that could pass for an option or carry a second argument is
// refused, not escaped.

// A DNS name (letters, digits and hyphens in dot-separated labels, none starting or ending with
// a hyphen) or an IPv4 or IPv6 literal.
bool IsHostField(const std::string& text);

// A cookie: printable ASCII without blanks, quotes, backslashes or commas, not starting with a
// hyphen, not empty.
bool IsCookieField(const std::string& text);

// A salt: like a cookie, but it may be empty.
bool IsSaltField(const std::string& text);

// Text from the service or a server shown to the user, as valid UTF-8: control characters (but
// the line end; a tab becomes a blank) and bidirectional marks removed, a byte that is no UTF-8
// shown as U+FFFD; at most max_bytes and kShownTextLines lines, cut at a character boundary and
// marked with "..." when cut.
inline constexpr std::size_t kShownTextLimit = 500;
inline constexpr std::size_t kShownTextLines = 20;
std::string ShownText(const std::string& text, std::size_t max_bytes = kShownTextLimit);
