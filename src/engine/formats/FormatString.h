#pragma once
// Small pieces of field cutting shared by the format-string reader and the load-balancer and
// storage readers.
#include "engine/base/TextArena.h"

#include <string_view>

namespace trevix {

// True when text is one or more ASCII digits and nothing else.
bool AllDigits(std::string_view text);
// Digits with an optional fraction: "1591234567" or "1591234567.123".
bool DecimalDigits(std::string_view text);
// An HTTP status: three digits.
bool StatusDigits(std::string_view text);
// "example.com:8080" -> "example.com", "[2001:db8::1]:443" -> "[2001:db8::1]"; a host
// without a port (or a bare IPv6 address) is returned unchanged.
std::string_view HostWithoutPort(std::string_view host);
// A quoted field as servers escape it: \" and \\ (Apache, load balancers) and \x22 (nginx)
// decoded into scratch. Text without a backslash is returned as it is, without copying; other
// escapes are kept as written so the bytes stay what the line had.
std::string_view DecodeQuotedField(std::string_view text, TextArena& scratch);
// "2018-11-30T22:23:00.186641Z": the date, the T and the time of day are where ISO 8601 puts them.
bool IsoStampShape(std::string_view text);

} // namespace trevix
