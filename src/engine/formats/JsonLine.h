#pragma once
// Lines that each hold one JSON object (Caddy, Traefik, nginx escape=json, a JSON log_format).
// JsonLine reads such a line in one pass and picks out only the values asked for by key path;
// MakeJsonKeysFormat builds a LineFormat from the key paths of a log's fields.
#include "engine/base/TextArena.h"
#include "engine/formats/LineFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trevix {

// Where a value sits: the keys from the top-level object down, {"request", "headers",
// "User-Agent"} for a Caddy user agent. Keys are matched exactly, case included.
using JsonKeyPath = std::vector<std::string>;
// A key path written with dots: "request.headers.User-Agent". For keys without dots only.
JsonKeyPath JsonPath(std::string_view dotted);

enum class JsonType : uint8_t { Missing, String, Number, True, False, Null, Object, Array };

struct JsonValue {
    JsonType Type = JsonType::Missing;
    // String: the decoded text (a view into the line when it had no escape, else into the
    // scratch arena); Number: its text as written; empty for the others. An array found at a
    // wanted path gives its first element (a header's values); an empty array is Missing.
    std::string_view Text;
};

// Reads lines for a fixed set of key paths.
class JsonLine {
public:
    explicit JsonLine(const std::vector<JsonKeyPath>& paths);
    ~JsonLine();
    JsonLine(JsonLine&&) noexcept;
    JsonLine& operator=(JsonLine&&) noexcept;

    size_t Count() const { return count_; }
    // Reads line (one JSON object; blanks and a CR around it allowed) and sets values[i]
    // (Count() of them) for the i-th path. False when the line is not well-formed JSON, or
    // not an object: then values are unspecified. Not thread-safe (a decoding buffer is kept).
    bool Read(std::string_view line, JsonValue* values, TextArena& scratch) const;

    struct Node;

private:
    std::unique_ptr<Node> root_;
    size_t count_ = 0;
    std::vector<std::pair<size_t, size_t>> copies_;   // a path asked again: (index, first index)
    mutable std::string decoded_;   // an escaped string is decoded here, then stored
};

// A time field: where it is and how it is written. A UnixSeconds value that turns out to be
// an ISO 8601 text, or a count of milliseconds or microseconds, is given as such.
struct JsonTimeKey {
    JsonKeyPath Path;
    StampForm Form = StampForm::Iso8601;
    std::string Pattern;   // for StampForm::Pattern
};

// The key paths of a JSON log's fields. Each field lists the paths to try: the first one with
// a value in a line (a string or number other than "" and "-") wins; an empty list means the
// lines do not carry that field.
struct JsonFieldMap {
    std::string Name = "JSON";            // how the processing log names the format
    std::vector<JsonKeyPath> Client;      // a port after the address is dropped
    std::vector<JsonKeyPath> Host;        // a port after the host is dropped
    std::vector<JsonTimeKey> Time;
    std::vector<JsonKeyPath> Request;     // the whole request line "GET /a?b HTTP/1.1"
    std::vector<JsonKeyPath> Method;
    std::vector<JsonKeyPath> Uri;         // path with its query, split at the "?"
    std::vector<JsonKeyPath> Path;        // path without the query
    std::vector<JsonKeyPath> Query;       // without the "?"
    std::vector<JsonKeyPath> Status;
    std::vector<JsonKeyPath> Bytes;
    std::vector<JsonKeyPath> Referrer;
    std::vector<JsonKeyPath> UserAgent;
};

// A reader of JSON lines by map. A line is read only when it is a well-formed JSON object with
// a status of digits and a request (Request, or Method with Uri or Path); values may be JSON
// strings or numbers. Null when the map names no status or no request.
std::unique_ptr<LineFormat> MakeJsonKeysFormat(JsonFieldMap map);

} // namespace trevix
