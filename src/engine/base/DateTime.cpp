#include "engine/base/DateTime.h"

#include <cstdio>

namespace trevix {

namespace {

constexpr int64_t kSecondsPerDay = 86400;

int64_t FloorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// Days from 0001-01-01 to the first of January of `year` in the proleptic Gregorian calendar.
int64_t DaysBeforeYear(int64_t year) {
    const int64_t y = year - 1;
    return 365 * y + FloorDiv(y, 4) - FloorDiv(y, 100) + FloorDiv(y, 400);
}

const int64_t kEpochOffset = DaysBeforeYear(1970);

// Days before the first of each month in a common year.
constexpr int kCumulativeDays[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};

bool LeapYear(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int64_t DaysFromCivil(int64_t year, int month, int day) {
    int64_t dayOfYear = kCumulativeDays[month - 1] + (month > 2 && LeapYear(year) ? 1 : 0) + day - 1;
    return DaysBeforeYear(year) + dayOfYear - kEpochOffset;
}

// Reads exactly `count` decimal digits at `pos`; -1 when any of them is not a digit.
int Digits(std::string_view text, size_t pos, size_t count) {
    if (pos + count > text.size()) return -1;
    int value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        const unsigned digit = static_cast<unsigned char>(text[i]) - '0';
        if (digit > 9) return -1;
        value = value * 10 + static_cast<int>(digit);
    }
    return value;
}

} // namespace

int DateTime::DaysInMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    if (month == 2) return LeapYear(year) ? 29 : 28;
    return kCumulativeDays[month] - kCumulativeDays[month - 1];
}

std::optional<DateTime> DateTime::FromCivil(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return std::nullopt;
    if (day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
    const int64_t days = DaysFromCivil(year, month, day);
    return FromSeconds(days * kSecondsPerDay + hour * 3600 + minute * 60 + second);
}

std::optional<DateTime> DateTime::ParseIso(std::string_view text) {
    // Called once per log line: fixed positions, no allocation.
    if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
    if (year < 0 || month < 0 || day < 0) return std::nullopt;
    if (text.size() == 10) return FromCivil(year, month, day);

    if (text[10] != ' ') return std::nullopt;
    // The hour may have one or two digits; minutes and seconds always have two.
    const size_t rest = text.size() - 11;
    if (rest != 7 && rest != 8) return std::nullopt;
    const size_t hourDigits = rest - 6;
    const size_t m = 11 + hourDigits;
    if (text[m] != ':' || text[m + 3] != ':') return std::nullopt;
    const int hour = Digits(text, 11, hourDigits), minute = Digits(text, m + 1, 2),
              second = Digits(text, m + 4, 2);
    if (hour < 0 || minute < 0 || second < 0) return std::nullopt;
    return FromCivil(year, month, day, hour, minute, second);
}

int64_t DateTime::Days() const {
    return FloorDiv(seconds_, kSecondsPerDay);
}

CivilTime DateTime::Civil() const {
    const int64_t days = Days();
    const int64_t secondOfDay = seconds_ - days * kSecondsPerDay;
    const int64_t n = days + kEpochOffset; // days since 0001-01-01

    // Estimate the year from the mean Gregorian year, then correct by at most a step or two.
    int64_t year = FloorDiv(n * 400, 146097) + 1;
    while (DaysBeforeYear(year) > n)
        --year;
    while (DaysBeforeYear(year + 1) <= n)
        ++year;

    int dayOfYear = static_cast<int>(n - DaysBeforeYear(year));
    const int leap = LeapYear(year) ? 1 : 0;
    int month = 1;
    while (month < 12 && dayOfYear >= kCumulativeDays[month] + (month >= 2 ? leap : 0))
        ++month;
    dayOfYear -= kCumulativeDays[month - 1] + (month > 2 ? leap : 0);

    CivilTime c;
    c.Year = static_cast<int>(year);
    c.Month = month;
    c.Day = dayOfYear + 1;
    c.Hour = static_cast<int>(secondOfDay / 3600);
    c.Minute = static_cast<int>(secondOfDay / 60 % 60);
    c.Second = static_cast<int>(secondOfDay % 60);
    return c;
}

int DateTime::DayOfWeek() const {
    // 1970-01-01 was a Thursday.
    const int64_t w = (Days() + 4) % 7;
    return static_cast<int>(w < 0 ? w + 7 : w);
}

std::string DateTime::ToIso() const {
    const CivilTime c = Civil();
    char buffer[48];
    const int n = std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", c.Year, c.Month,
                                c.Day, c.Hour, c.Minute, c.Second);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

} // namespace trevix
