#pragma once
// Small pieces of field cutting shared by the format-string reader and the load-balancer and
// storage readers.
#include "engine/base/TextArena.h"
#include "engine/formats/LineFormat.h"

#include <string>
#include <string_view>
#include <vector>

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

// The key paths of a format string that is a JSON object ({"ip":"$remote_addr",
// "req":{"status":$status}}): for each field the paths of the keys whose value is that field's
// directive or variable alone, in the order written; a JSON line reader is made from them.
// Values with other text around the directive, and the fields no report uses, are left out.
struct JsonFormatKeys {
    using Key = std::vector<std::string>;   // the keys from the outer object down
    struct Time {
        Key Path;
        StampForm Form = StampForm::Iso8601;
        std::string Pattern;   // for StampForm::Pattern
    };
    bool Nginx = false;        // written with $ variables
    std::vector<Key> Client;   // the forwarded address when the format has no client address
    std::vector<Key> Host;
    std::vector<Time> Times;
    std::vector<Key> Request, Method;
    std::vector<Key> Uri;      // path and query
    std::vector<Key> Path;     // path alone
    std::vector<Key> Query;
    std::vector<Key> Status;
    std::vector<Key> Bytes;    // the body count first, then the bytes sent with the headers
    std::vector<Key> Referrer, UserAgent;
};
// False with a message when text is not a JSON object, or has no request or no status.
bool ReadJsonFormatKeys(std::string_view text, JsonFormatKeys& keys, std::string& error);

} // namespace trevix
