#include "engine/parse/TimeStamps.h"

#include "engine/Analyser.h"
#include "engine/base/Text.h"

#include <cstdio>
#include <cstring>

namespace trevix {

namespace {

// Mid(text, start, length) with 1-based start, clamped like the classic string routine.
std::string_view Mid(std::string_view s, size_t start, size_t length = std::string_view::npos) {
    if (start - 1 >= s.size()) return {};
    return s.substr(start - 1, length);
}

// memcpy of an empty view may see a null pointer, which memcpy does not allow.
char* CopyText(char* to, std::string_view from) {
    if (!from.empty()) std::memcpy(to, from.data(), from.size());
    return to + from.size();
}

// Writes the ISO form into buf (no heap); returns its length.
size_t IsoInto(std::string_view text, char* buf, size_t cap) {
    std::string_view day = Mid(text, 1, 2), mon = Mid(text, 4, 3), year = Mid(text, 8, 4), rest = Mid(text, 12);
    // A stamp whose time could not be read (a line without a zone) still has its date: it
    // reads as that date at midnight.
    if (!rest.empty() && rest.find_first_not_of(' ') == std::string_view::npos) rest = " 00:00:00";
    int m = LogMonthNumber(mon);
    size_t need = year.size() + 1 + (m ? 2 : 0) + 1 + day.size() + rest.size();
    if (need > cap) return std::string_view::npos;
    char* p = buf;
    p = CopyText(p, year);
    *p++ = '-';
    if (m) {
        *p++ = static_cast<char>('0' + m / 10);
        *p++ = static_cast<char>('0' + m % 10);
    }
    *p++ = '-';
    p = CopyText(p, day);
    p = CopyText(p, rest);
    return static_cast<size_t>(p - buf);
}

} // namespace

std::string LogDateToIso(std::string_view text) {
    std::string out(text.size() + 8, '\0');
    size_t n = IsoInto(text, out.data(), out.size());
    out.resize(n == std::string_view::npos ? 0 : n);
    return out;
}

std::optional<DateTime> StampValue(std::string_view text) {
    char buf[96];
    size_t n = IsoInto(text, buf, sizeof buf);
    if (n == std::string_view::npos) return std::nullopt;
    return DateTime::ParseIso({buf, n});
}

std::optional<DateTime> StampValue(const StampRef& stamp) {
    if (stamp.Date.size() + stamp.Time.size() + 1 > 80) return std::nullopt;
    char text[96];
    *CopyText(text, stamp.Date) = ' ';
    CopyText(text + stamp.Date.size() + 1, stamp.Time);
    return StampValue(std::string_view(text, stamp.Date.size() + 1 + stamp.Time.size()));
}

bool StampEarlier(const StampRef& a, const StampRef& b) {
    if (a.Order != 0 && b.Order != 0) return a.Order < b.Order;
    if (a.Date == b.Date && a.Time.size() == b.Time.size()) return a.Time < b.Time;
    auto x = StampValue(a), y = StampValue(b);
    return x && y && *x < *y;
}

DateTime ToLocalTime(const Analyser& a, DateTime value, bool convert) {
    const std::string& zone = a.Tables.LogTimeZone;
    if (!convert || !a.Options.ConvertTimes || zone.empty()) return value;
    std::string_view z(zone);
    int zoneHours = static_cast<int>(LeadingNumber(z.substr(0, 3)));
    int zoneMinutes = static_cast<int>(LeadingNumber(z.size() >= 2 ? z.substr(z.size() - 2) : z));
    if (z[0] == '-') zoneMinutes = -zoneMinutes;
    int64_t shift = -int64_t(a.LocalTimeBias.Hours + zoneHours) * 3600 -
                    int64_t(a.LocalTimeBias.Minutes + zoneMinutes) * 60;
    return value.AddSeconds(shift);
}

std::optional<DateTime> LogTimeValue(const Analyser& a, std::string_view text, bool convert) {
    auto value = StampValue(text);
    if (!value) return std::nullopt;
    return ToLocalTime(a, *value, convert);
}

std::string LogTimeToLocal(const Analyser& a, std::string_view text, bool convert) {
    auto value = LogTimeValue(a, text, convert);
    return value ? a.NumberFormat.FormatDateTime(*value) : std::string();
}

std::string LogDatePart(const Analyser& a, std::string_view text) {
    std::string s = LogTimeToLocal(a, text, true);
    auto blank = s.find(' ');
    if (blank != std::string::npos) s.resize(blank);
    return s;
}

int LogHour(const Analyser& a, std::string_view text) {
    auto value = LogTimeValue(a, text, true);
    return value ? value->Civil().Hour : -1;   // -1: not a date, counts in no hour
}

std::string DisplayTime(int64_t seconds, bool shortForm) {
    // A log whose lines are out of order can end before it starts: show a signed duration
    // rather than negative fields.
    if (seconds < 0) return "-" + DisplayTime(-seconds, shortForm);
    int64_t days = seconds / 86400, rest = seconds % 86400;
    int64_t hours = rest / 3600, minutes = (rest % 3600) / 60, secs = rest % 60;
    char buf[96];
    std::string prefix;
    if (shortForm) {
        prefix = std::to_string(days) + "d ";
    } else if (days > 0) {
        prefix = std::to_string(days) + " days ";
    }
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", static_cast<long long>(hours),
                  static_cast<long long>(minutes), static_cast<long long>(secs));
    return prefix + buf;
}

} // namespace trevix
