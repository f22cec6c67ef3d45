#pragma once
// Log time stamps ("10/Oct/2000 13:55:36") and how the report shows them.
#include "engine/base/DateTime.h"
#include "engine/tables/Tables.h"

#include <optional>
#include <string>
#include <string_view>

namespace trevix {

class Analyser;

// "dd/Mon/yyyy<rest>" -> "yyyy-mm-dd<rest>"; an unknown month gives an empty month part. A
// rest of blanks only (a date with an empty time) becomes " 00:00:00".
std::string LogDateToIso(std::string_view text);
// The date value of a stamp text or of a date and time, through LogDateToIso; no time zone.
std::optional<DateTime> StampValue(std::string_view text);
std::optional<DateTime> StampValue(const StampRef& stamp);
// Whether stamp a is earlier than b. Stamps that both carry their Order compare by it (the
// common case: no text is read); stamps of one day with times of one form compare as text;
// others by value. A stamp that does
// not read is never earlier and nothing is earlier than it.
bool StampEarlier(const StampRef& a, const StampRef& b);

// The stamp's value moved to local time when convert is true, ConvertTimes is on and the
// log's zone is known.
std::optional<DateTime> LogTimeValue(const Analyser& a, std::string_view text, bool convert);
// A value moved to local time as LogTimeValue does.
DateTime ToLocalTime(const Analyser& a, DateTime value, bool convert);
// The stamp as display text in the locale's general date-time form; empty when it does not read.
std::string LogTimeToLocal(const Analyser& a, std::string_view text, bool convert);
std::string LogDatePart(const Analyser& a, std::string_view text);
int LogHour(const Analyser& a, std::string_view text);
// Elapsed seconds as "[d days ]hh:mm:ss" (long form) or "dd hh:mm:ss" with "d" (short form).
std::string DisplayTime(int64_t seconds, bool shortForm);

} // namespace trevix
