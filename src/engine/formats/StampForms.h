#pragma once
// The time stamps formats write (CLF, ISO 8601, Unix time, W3C date and time, strftime
// patterns) read into one value: the wall-clock time the line shows and its offset from UTC.
#include "engine/base/DateTime.h"
#include "engine/formats/LineFormat.h"

#include <optional>
#include <string_view>

namespace trevix {

struct ZonedStamp {
    DateTime Wall;              // the time as the line shows it
    int OffsetMinutes = 0;      // east of UTC
    bool HasOffset = false;     // false: the text named no zone
};

// Reads the stamp of fields. A W3c stamp (and any without a zone) has no offset of its own:
// the caller decides. Nullopt when the text is not a time of the form.
std::optional<ZonedStamp> ReadStamp(const LineFields& fields);

// Parts of the readers, for tests.
std::optional<ZonedStamp> ReadIso8601(std::string_view text);
std::optional<ZonedStamp> ReadClfStamp(std::string_view text);
std::optional<ZonedStamp> ReadUnixStamp(std::string_view text, int digitsPerSecond);
std::optional<ZonedStamp> ReadPatternStamp(std::string_view text, std::string_view pattern);

} // namespace trevix
