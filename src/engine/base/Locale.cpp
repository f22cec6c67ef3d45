#include "engine/base/Locale.h"

#include "engine/base/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace trevix {

namespace {

// ---------------------------------------------------------------------------------------------
// Decimal rounding

// The absolute value of a number as decimal digits, rounded to a number of decimals.
// digits[i] has the weight 10^(PointPos - 1 - i); digits beyond Count are zero.
struct RoundedDigits {
    char Digits[20] = {};
    int Count = 0; // significant digits, trailing zeros removed; 0 means the value is zero
    int PointPos = 0;

    char At(int i) const { return i >= 0 && i < Count ? Digits[i] : '0'; }
    bool IsZero() const { return Count == 0; }
    int IntegerLength() const { return PointPos > 0 ? PointPos : 0; }
};

// A double carries 15 reliable significant digits; rounding those instead of the exact binary
// value makes 2.675 round to 2.68 and 33.300000000000004 read as 33.3, as a reader expects.
// Halves round away from zero.
RoundedDigits RoundAbs(double value, int decimals) {
    RoundedDigits r;
    value = std::fabs(value);
    if (value == 0 || !std::isfinite(value)) return r;

    char buffer[40];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    // "d.dddddddddddddde+XX"
    char mantissa[15];
    int n = 0;
    const char* p = buffer;
    for (; p < result.ptr && *p != 'e'; ++p)
        if (*p != '.' && n < 15) mantissa[n++] = *p;
    int exponent = 0;
    if (p < result.ptr) std::from_chars(p + (p[1] == '+' ? 2 : 1), result.ptr, exponent);

    r.PointPos = exponent + 1;
    const int keep = r.PointPos + decimals;
    if (keep < 0) return RoundedDigits{};
    if (keep >= n) {
        for (int i = 0; i < n; ++i)
            r.Digits[i] = mantissa[i];
        r.Count = n;
    } else {
        for (int i = 0; i < keep; ++i)
            r.Digits[i] = mantissa[i];
        r.Count = keep;
        if (mantissa[keep] >= '5') {
            int i = keep - 1;
            while (i >= 0 && r.Digits[i] == '9')
                r.Digits[i--] = '0';
            if (i >= 0) {
                ++r.Digits[i];
            } else {
                // All nines (or nothing kept): the carry adds a new leading digit.
                r.Digits[0] = '1';
                r.Count = 1;
                ++r.PointPos;
            }
        }
    }
    while (r.Count > 0 && r.Digits[r.Count - 1] == '0')
        --r.Count;
    if (r.Count == 0) r.PointPos = 0;
    return r;
}

// ---------------------------------------------------------------------------------------------
// Number patterns

// One section of a number pattern: literal text around a run of placeholders "#", "0", ","
// and one ".". Literal text may be quoted ("..." or '...') or escaped with a backslash.
struct NumberSection {
    std::string_view Prefix, Suffix;
    bool HasPlaceholders = false;
    bool Grouping = false;
    bool Percent = false;
    int MinInteger = 0;
    int MinDecimals = 0;
    int MaxDecimals = 0;
};

bool IsPlaceholder(char c) {
    return c == '#' || c == '0' || c == '.';
}

NumberSection ParseSection(std::string_view s) {
    NumberSection section;
    size_t begin = s.size();
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '\\') {
            ++i;
        } else if (c == '%') {
            section.Percent = true;
        } else if (IsPlaceholder(c) && begin == s.size()) {
            begin = i;
        }
    }
    if (begin == s.size()) {
        section.Prefix = s;
        return section;
    }
    section.HasPlaceholders = true;
    size_t end = begin;
    bool inFraction = false;
    for (; end < s.size(); ++end) {
        const char c = s[end];
        if (c == '.') {
            if (inFraction) break;
            inFraction = true;
        } else if (c == ',') {
            if (!inFraction) section.Grouping = true;
        } else if (c == '0') {
            if (inFraction) {
                ++section.MinDecimals;
                ++section.MaxDecimals;
            } else {
                ++section.MinInteger;
            }
        } else if (c == '#') {
            if (inFraction) ++section.MaxDecimals;
        } else {
            break;
        }
    }
    section.Prefix = s.substr(0, begin);
    section.Suffix = s.substr(end);
    return section;
}

void AppendLiteral(std::string& out, std::string_view literal) {
    char quote = 0;
    for (size_t i = 0; i < literal.size(); ++i) {
        const char c = literal[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                out += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '\\') {
            if (i + 1 < literal.size()) out += literal[++i];
        } else {
            out += c;
        }
    }
}

// Writes |value| with the placeholders of one section. Returns false when the rounded value is
// zero (the caller then leaves out a minus sign).
bool AppendNumber(std::string& out, double value, const NumberSection& section, const Locale& locale) {
    if (section.Percent) value *= 100;
    const RoundedDigits r = RoundAbs(value, section.MaxDecimals);

    const int intLength = std::max(r.IntegerLength(), section.MinInteger);
    const int first = r.PointPos - intLength;
    for (int i = 0; i < intLength; ++i) {
        if (section.Grouping && i > 0 && (intLength - i) % 3 == 0) out += locale.ThousandsSeparator;
        out += r.At(first + i);
    }
    int decimals = section.MaxDecimals;
    while (decimals > section.MinDecimals && r.At(r.PointPos - 1 + decimals) == '0')
        --decimals;
    if (decimals > 0) {
        out += locale.DecimalSeparator;
        for (int k = 1; k <= decimals; ++k)
            out += r.At(r.PointPos - 1 + k);
    }
    return !r.IsZero();
}

// ---------------------------------------------------------------------------------------------
// Date-time patterns

constexpr const char* kMonthShort[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kMonthLong[12] = {"January",   "February", "March",    "April",
                                        "May",       "June",     "July",     "August",
                                        "September", "October",  "November", "December"};
constexpr const char* kDayShort[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kDayLong[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};

enum class TokenKind { Literal, Day, DayName, Month, MonthName, Year, Hour24, Hour12, Minute, Second, AmPm };

struct Token {
    TokenKind Kind = TokenKind::Literal;
    std::string_view Text; // literal text (quotes already removed)
    int Width = 1;         // 1 = no leading zero, 2 = two digits; for names 3 = short, 4 = long
    bool Lower = false;    // am/pm in lower case
};

bool StartsWith(std::string_view s, size_t pos, std::string_view prefix) {
    return s.size() - pos >= prefix.size() && s.compare(pos, prefix.size(), prefix) == 0;
}

bool HasAmPm(std::string_view pattern) {
    bool quoted = false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '\'') quoted = !quoted;
        if (!quoted && (StartsWith(pattern, i, "AP") || StartsWith(pattern, i, "ap") ||
                        StartsWith(pattern, i, "AM/PM") || StartsWith(pattern, i, "am/pm")))
            return true;
    }
    return false;
}

// Reads the token at `pos` and moves past it.
Token NextToken(std::string_view pattern, size_t& pos, bool twelveHour) {
    Token t;
    const char c = pattern[pos];
    if (c == '\'') {
        const size_t close = pattern.find('\'', pos + 1);
        if (close == pos + 1) { // '' stands for one quote
            t.Text = pattern.substr(pos, 1);
            pos += 2;
            return t;
        }
        const size_t end = close == std::string_view::npos ? pattern.size() : close;
        t.Text = pattern.substr(pos + 1, end - pos - 1);
        pos = close == std::string_view::npos ? end : end + 1;
        return t;
    }
    if (StartsWith(pattern, pos, "AM/PM") || StartsWith(pattern, pos, "am/pm")) {
        t.Kind = TokenKind::AmPm;
        t.Lower = c == 'a';
        pos += 5;
        return t;
    }
    if (StartsWith(pattern, pos, "AP") || StartsWith(pattern, pos, "ap")) {
        t.Kind = TokenKind::AmPm;
        t.Lower = c == 'a';
        pos += 2;
        return t;
    }
    size_t run = 1;
    while (pos + run < pattern.size() && pattern[pos + run] == c)
        ++run;
    const int width = static_cast<int>(std::min<size_t>(run, 4));
    switch (c) {
    case 'd':
        t.Kind = width >= 3 ? TokenKind::DayName : TokenKind::Day;
        break;
    case 'M':
        t.Kind = width >= 3 ? TokenKind::MonthName : TokenKind::Month;
        break;
    case 'y':
        t.Kind = TokenKind::Year;
        break;
    case 'H':
        t.Kind = TokenKind::Hour24;
        break;
    case 'h':
        // Without an AM/PM marker a 12-hour clock would lose the half of the day.
        t.Kind = twelveHour ? TokenKind::Hour12 : TokenKind::Hour24;
        break;
    case 'm':
        t.Kind = TokenKind::Minute;
        break;
    case 's':
        t.Kind = TokenKind::Second;
        break;
    default:
        t.Text = pattern.substr(pos, 1);
        pos += 1;
        return t;
    }
    t.Width = t.Kind == TokenKind::DayName || t.Kind == TokenKind::MonthName ? width : std::min(width, 2);
    pos += run;
    return t;
}

void AppendNumberField(std::string& out, int value, int width) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (int pad = width - static_cast<int>(result.ptr - buffer); pad > 0; --pad)
        out += '0';
    out.append(buffer, result.ptr);
}

void AppendDateTime(std::string& out, const CivilTime& c, int dayOfWeek, std::string_view pattern) {
    const bool twelveHour = HasAmPm(pattern);
    size_t pos = 0;
    while (pos < pattern.size()) {
        const Token t = NextToken(pattern, pos, twelveHour);
        switch (t.Kind) {
        case TokenKind::Literal:
            out += t.Text;
            break;
        case TokenKind::Day:
            AppendNumberField(out, c.Day, t.Width);
            break;
        case TokenKind::DayName:
            out += (t.Width == 3 ? kDayShort : kDayLong)[dayOfWeek];
            break;
        case TokenKind::Month:
            AppendNumberField(out, c.Month, t.Width);
            break;
        case TokenKind::MonthName:
            out += (t.Width == 3 ? kMonthShort : kMonthLong)[c.Month - 1];
            break;
        case TokenKind::Year:
            AppendNumberField(out, c.Year, 4); // years are always shown with four digits
            break;
        case TokenKind::Hour24:
            AppendNumberField(out, c.Hour, t.Width);
            break;
        case TokenKind::Hour12:
            AppendNumberField(out, c.Hour % 12 == 0 ? 12 : c.Hour % 12, t.Width);
            break;
        case TokenKind::Minute:
            AppendNumberField(out, c.Minute, t.Width);
            break;
        case TokenKind::Second:
            AppendNumberField(out, c.Second, t.Width);
            break;
        case TokenKind::AmPm:
            out += c.Hour < 12 ? (t.Lower ? "am" : "AM") : (t.Lower ? "pm" : "PM");
            break;
        }
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Reads 1..maxDigits digits from the front of `text`; -1 when there is none.
int ReadDigits(std::string_view& text, int maxDigits) {
    int value = 0, n = 0;
    while (n < maxDigits && n < static_cast<int>(text.size()) && text[n] >= '0' && text[n] <= '9')
        value = value * 10 + (text[n++] - '0');
    if (n == 0) return -1;
    text.remove_prefix(n);
    return value;
}

// Index of the longest name that starts `text`, or -1; moves past it.
int ReadName(std::string_view& text, const char* const* names, int count) {
    int best = -1;
    size_t bestLength = 0;
    for (int i = 0; i < count; ++i) {
        const std::string_view name = names[i];
        if (name.size() > bestLength && text.size() >= name.size() &&
            EqualsIgnoringCase(text.substr(0, name.size()), name)) {
            best = i;
            bestLength = name.size();
        }
    }
    if (best >= 0) text.remove_prefix(bestLength);
    return best;
}

struct ParsedFields {
    int Year = -1, Month = -1, Day = -1, Hour = 0, Minute = 0, Second = 0;
    int AmPm = 0; // 0 none, 1 AM, 2 PM
    bool TwelveHour = false;
};

// Reads `pattern` from the front of `text`. Numbers may lack their leading zero; a blank in the
// pattern matches any run of blanks.
bool ReadPattern(std::string_view& text, std::string_view pattern, ParsedFields& f) {
    const bool twelveHour = HasAmPm(pattern);
    size_t pos = 0;
    while (pos < pattern.size()) {
        const Token t = NextToken(pattern, pos, twelveHour);
        switch (t.Kind) {
        case TokenKind::Literal:
            for (char c : t.Text) {
                if (IsBlank(c)) {
                    if (text.empty() || !IsBlank(text.front())) return false;
                    while (!text.empty() && IsBlank(text.front()))
                        text.remove_prefix(1);
                } else {
                    if (text.empty() || text.front() != c) return false;
                    text.remove_prefix(1);
                }
            }
            break;
        case TokenKind::Day:
            if ((f.Day = ReadDigits(text, 2)) < 0) return false;
            break;
        case TokenKind::DayName: {
            if (ReadName(text, kDayLong, 7) < 0 && ReadName(text, kDayShort, 7) < 0) return false;
            break;
        }
        case TokenKind::Month:
            if ((f.Month = ReadDigits(text, 2)) < 0) return false;
            break;
        case TokenKind::MonthName: {
            int m = ReadName(text, kMonthLong, 12);
            if (m < 0) m = ReadName(text, kMonthShort, 12);
            if (m < 0) return false;
            f.Month = m + 1;
            break;
        }
        case TokenKind::Year:
            if ((f.Year = ReadDigits(text, 4)) < 0) return false;
            break;
        case TokenKind::Hour24:
        case TokenKind::Hour12:
            if ((f.Hour = ReadDigits(text, 2)) < 0) return false;
            f.TwelveHour = t.Kind == TokenKind::Hour12;
            break;
        case TokenKind::Minute:
            if ((f.Minute = ReadDigits(text, 2)) < 0) return false;
            break;
        case TokenKind::Second:
            if ((f.Second = ReadDigits(text, 2)) < 0) return false;
            break;
        case TokenKind::AmPm: {
            if (text.size() < 2) return false;
            const std::string_view marker = text.substr(0, 2);
            if (EqualsIgnoringCase(marker, "AM"))
                f.AmPm = 1;
            else if (EqualsIgnoringCase(marker, "PM"))
                f.AmPm = 2;
            else
                return false;
            text.remove_prefix(2);
            break;
        }
        }
    }
    return true;
}

} // namespace

const Locale& Locale::Fixed() {
    static const Locale fixed;
    return fixed;
}

namespace {

// Two digits of a value below 100.
char* TwoDigits(char* out, int value) {
    out[0] = static_cast<char>('0' + value / 10);
    out[1] = static_cast<char>('0' + value % 10);
    return out + 2;
}

// Whole values in "#,##0", the lists' most common cell, written straight from their digits: a
// value of up to 15 digits is exactly what the general rounding would give.
bool WholeGrouped(double value, std::string_view separator, std::string& out) {
    if (!(std::fabs(value) < 1e15) || value != std::trunc(value)) return false;
    const long long whole = static_cast<long long>(value);
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, whole < 0 ? -whole : whole).ptr;
    const int count = static_cast<int>(end - digits);
    out.reserve(static_cast<size_t>(count) + static_cast<size_t>(count / 3) * separator.size() + 1);
    if (whole < 0) out += '-';
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) out += separator;
        out += digits[i];
    }
    return true;
}

} // namespace

std::string Locale::FormatNumber(double value, std::string_view pattern) const {
    if (pattern == "#,##0") {
        std::string out;
        if (WholeGrouped(value, ThousandsSeparator, out)) return out;
    }
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    if (pattern.empty()) return FormatShortDecimal(value);
    std::string out;

    // Up to three sections: positive;negative;zero. A ';' inside quotes is literal.
    std::string_view sections[3];
    int sectionCount = 0;
    {
        size_t start = 0;
        char quote = 0;
        for (size_t i = 0; i <= pattern.size(); ++i) {
            const char c = i < pattern.size() ? pattern[i] : ';';
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '\\') {
                if (i + 1 < pattern.size()) ++i;
            } else if (c == ';' && sectionCount < 3) {
                sections[sectionCount++] = pattern.substr(start, std::min(i, pattern.size()) - start);
                start = i + 1;
            }
        }
    }

    int chosen = 0;
    bool automaticMinus = false;
    if (value == 0 && sectionCount == 3 && !sections[2].empty())
        chosen = 2;
    else if (value < 0 && sectionCount >= 2 && !sections[1].empty())
        chosen = 1;
    else
        automaticMinus = value < 0;

    const NumberSection section = ParseSection(sections[chosen]);
    out.reserve(24);
    if (automaticMinus) out += '-';
    AppendLiteral(out, section.Prefix);
    if (section.HasPlaceholders) {
        const bool nonZero = AppendNumber(out, value, section, *this);
        // A negative value that rounds to zero shows no minus sign ("0", not "-0").
        if (automaticMinus && !nonZero) out.erase(0, 1);
    }
    AppendLiteral(out, section.Suffix);
    return out;
}

std::string Locale::FormatShortDecimal(double value) const {
    if (!std::isfinite(value)) return FormatNumber(value, "0");
    const RoundedDigits r = RoundAbs(value, 10);
    std::string out;
    if (value < 0 && !r.IsZero()) out += '-';
    if (r.IntegerLength() == 0)
        out += '0';
    else
        for (int i = 0; i < r.IntegerLength(); ++i)
            out += r.At(i);
    const int decimals = r.Count - r.PointPos;
    if (decimals > 0) {
        out += DecimalSeparator;
        for (int k = 1; k <= decimals; ++k)
            out += r.At(r.PointPos - 1 + k);
    }
    return out;
}

std::optional<double> Locale::ParseNumber(std::string_view text) const {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text = Trim(text.substr(1));
    }

    // Collect the digits into a plain "123.45" for from_chars; long enough for any double.
    char buffer[400];
    size_t n = 0;
    int digits = 0;
    bool inFraction = false;
    while (!text.empty()) {
        const char c = text.front();
        if (c >= '0' && c <= '9') {
            if (n >= sizeof buffer) return std::nullopt;
            buffer[n++] = c;
            ++digits;
            text.remove_prefix(1);
        } else if (!inFraction && !DecimalSeparator.empty() && text.starts_with(DecimalSeparator)) {
            if (n >= sizeof buffer) return std::nullopt;
            buffer[n++] = '.';
            inFraction = true;
            text.remove_prefix(DecimalSeparator.size());
        } else if (!inFraction && !ThousandsSeparator.empty() && text.starts_with(ThousandsSeparator)) {
            text.remove_prefix(ThousandsSeparator.size());
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;

    double value = 0;
    const auto result = std::from_chars(buffer, buffer + n, value);
    if (result.ec != std::errc() || result.ptr != buffer + n) return std::nullopt;
    return negative ? -value : value;
}

std::string Locale::FormatDateTimePattern(const DateTime& value, std::string_view pattern) {
    std::string out;
    out.reserve(pattern.size() + 8);
    AppendDateTime(out, value.Civil(), value.DayOfWeek(), pattern);
    return out;
}

std::string Locale::FormatDateTime(const DateTime& value) const {
    // The report files' own form, which every list cell of a date takes, written without
    // reading the patterns.
    if (ShortDateFormat == "dd/MM/yyyy" && LongTimeFormat == "HH:mm:ss") {
        const CivilTime c = value.Civil();
        if (c.Year >= 0 && c.Year <= 9999) {
            char text[19];
            char* p = TwoDigits(text, c.Day);
            *p++ = '/';
            p = TwoDigits(p, c.Month);
            *p++ = '/';
            p = TwoDigits(TwoDigits(p, c.Year / 100), c.Year % 100);
            if (!value.IsMidnight()) {
                *p++ = ' ';
                p = TwoDigits(p, c.Hour);
                *p++ = ':';
                p = TwoDigits(p, c.Minute);
                *p++ = ':';
                p = TwoDigits(p, c.Second);
            }
            return std::string(text, p);
        }
    }
    std::string out;
    out.reserve(ShortDateFormat.size() + LongTimeFormat.size() + 8);
    const CivilTime c = value.Civil();
    const int dayOfWeek = value.DayOfWeek();
    AppendDateTime(out, c, dayOfWeek, ShortDateFormat);
    if (!value.IsMidnight()) {
        out += ' ';
        AppendDateTime(out, c, dayOfWeek, LongTimeFormat);
    }
    return out;
}

std::string Locale::FormatDate(const DateTime& value) const {
    return FormatDateTimePattern(value, ShortDateFormat);
}

std::string Locale::FormatTime(const DateTime& value) const {
    return FormatDateTimePattern(value, LongTimeFormat);
}

std::optional<DateTime> Locale::ParseDateTime(std::string_view text) const {
    text = Trim(text);
    ParsedFields f;
    if (!ReadPattern(text, ShortDateFormat, f)) return std::nullopt;
    if (!text.empty()) {
        if (!IsBlank(text.front())) return std::nullopt;
        text = Trim(text);
        if (!ReadPattern(text, LongTimeFormat, f) || !text.empty()) return std::nullopt;
    }
    if (f.AmPm != 0 && f.TwelveHour) {
        if (f.Hour < 1 || f.Hour > 12) return std::nullopt;
        if (f.AmPm == 1 && f.Hour == 12) f.Hour = 0;
        if (f.AmPm == 2 && f.Hour < 12) f.Hour += 12;
    }
    return DateTime::FromCivil(f.Year, f.Month, f.Day, f.Hour, f.Minute, f.Second);
}

std::string GroupDigits(unsigned long long n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

} // namespace trevix
