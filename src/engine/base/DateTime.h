#pragma once
// A civil date-time without time zone, counted in whole seconds. All date arithmetic of
// the report (durations, day differences, ordering) goes through this type.
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trevix {

struct CivilTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class DateTime {
public:
    DateTime() = default;
    // Nullopt when any part is out of range (year outside 1..9999, month 13, 31 February,
    // hour 24 ...).
    static std::optional<DateTime> FromCivil(int year, int month, int day, int hour = 0, int minute = 0,
                                             int second = 0);
    static DateTime FromSeconds(int64_t seconds) { DateTime d; d.seconds_ = seconds; return d; }
    // Reads "yyyy-mm-dd" optionally followed by " hh:mm:ss" (the form LogDateToIso yields).
    static std::optional<DateTime> ParseIso(std::string_view text);

    int64_t Seconds() const { return seconds_; }         // since 1970-01-01 00:00:00
    int64_t Days() const;                                 // whole days since 1970-01-01
    CivilTime Civil() const;
    // A multiple of a whole day is midnight, also before 1970 (the remainder is then 0 as well).
    bool IsMidnight() const { return seconds_ % 86400 == 0; }
    static int DaysInMonth(int year, int month);          // 0 for a month outside 1..12
    int DayOfWeek() const;                                // 0 = Sunday .. 6 = Saturday
    std::string ToIso() const;                            // "yyyy-mm-dd hh:mm:ss"
    DateTime AddSeconds(int64_t s) const { return FromSeconds(seconds_ + s); }
    DateTime DatePart() const { return FromSeconds(Days() * 86400); }
    auto operator<=>(const DateTime&) const = default;

private:
    int64_t seconds_ = 0;
};

} // namespace trevix
