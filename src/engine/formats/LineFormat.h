#pragma once
// A log format other than the common/combined family: how one line of it splits into the
// fields every report is built from. Formats know nothing of a run: they only cut and decode
// text; turning the fields into an entry (time zones, numbers, hosts) is the parser's work.
#include "engine/base/TextArena.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trevix {

// How a line gives its time.
enum class StampForm : uint8_t {
    None,
    Clf,          // Stamp "10/Oct/2000:13:55:36 +0200" (brackets removed; the zone may be missing)
    Iso8601,      // Stamp "2000-10-10T13:55:36+02:00", "2000-10-10T13:55:36.123Z", a blank for the T
    UnixSeconds,  // Stamp "971185336" or "971185336.123"
    UnixMillis,   // Stamp "971185336123"
    UnixMicros,   // Stamp "971185336123456"
    W3c,          // StampDate "2000-10-10" and StampTime "13:55:36": UTC, or local time when the
                  // site says its W3C logs are in local time
    Pattern,      // Stamp read with the strftime-like StampPattern (Apache's %{...}t)
};

// The fields of one line. Views point into the line, or into the scratch arena the format was
// given for texts it had to decode (a W3C "+" for a blank, a JSON escape); "-" and empty
// fields are left empty.
struct LineFields {
    std::string_view Client;
    std::string_view Host;          // virtual host without its port; empty when the line has none
    StampForm Form = StampForm::None;
    std::string_view Stamp;
    std::string_view StampDate, StampTime;   // W3c
    std::string_view StampPattern;           // Pattern
    // Either the whole request line ("GET /a.html?x=1 HTTP/1.1") or its parts.
    std::string_view Request;
    std::string_view Method, Path, Query;    // Path without the "?", Query without it
    std::string_view Status;
    std::string_view Bytes;
    std::string_view Referrer;
    std::string_view UserAgent;
    // Nonzero when UserAgent is a decoding the format keeps beyond this line: the number names
    // that one text in the whole process (NewTextSerial), so it need only be stored once.
    uint64_t UserAgentSerial = 0;
};

// Sets every byte of value to zero with plain vector stores: for the few hundred bytes of a
// line's fields or entry, cleared once a line, this avoids the start-up cost of the string
// instruction the compiler picks for "value = T{}". Only for types whose empty state is all
// zero bytes (views, numbers, enums starting at 0).
template <class T>
inline void ZeroFill(T& value) {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % 8 == 0);
    auto* p = reinterpret_cast<unsigned char*>(&value);
    // Written out store by store: a loop would be turned back into that string instruction.
#if defined(__SSE2__)
    constexpr size_t Blocks = sizeof(T) / 16;
    [&]<size_t... I>(std::index_sequence<I...>) {
        const __m128i zero = _mm_setzero_si128();
        (_mm_storeu_si128(reinterpret_cast<__m128i*>(p + I * 16), zero), ...);
    }(std::make_index_sequence<Blocks>{});
    if constexpr (sizeof(T) % 16 != 0) std::memset(p + Blocks * 16, 0, 8);
#else
    std::memset(p, 0, sizeof(T));
#endif
}

// A number never given before in this process, for LineFields::UserAgentSerial.
uint64_t NewTextSerial();

enum class LineKind : uint8_t {
    Entry,      // fields filled
    Comment,    // a line the format skips without counting it (a W3C "#" directive)
    NotRead,    // not a line of this format: an invalid entry
};

class LineFormat {
public:
    virtual ~LineFormat() = default;
    // How the processing log names it: "W3C extended (IIS)", "Caddy JSON", ...
    virtual std::string_view Name() const = 0;
    // Splits line (a trailing CR may be present) into fields. Must never guess: a line that
    // does not have the format's shape is NotRead. Thread: called by one thread at a time.
    virtual LineKind Read(std::string_view line, LineFields& fields, TextArena& scratch) const = 0;
    // For a Comment line that changes how the following lines read (a W3C "#Fields:"
    // directive): the format for them. Null when the line changes nothing.
    virtual std::unique_ptr<LineFormat> After(std::string_view comment) const {
        (void)comment;
        return nullptr;
    }
};

} // namespace trevix
