#include "engine/formats/StampForms.h"

#include <array>
#include <cctype>

namespace trevix {

namespace {

// Reads exactly n digits at pos.
bool Digits(std::string_view s, size_t& pos, size_t n, int& value) {
    if (pos + n > s.size()) return false;
    int v = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned d = static_cast<unsigned char>(s[pos + i]) - '0';
        if (d > 9) return false;
        v = v * 10 + static_cast<int>(d);
    }
    value = v;
    pos += n;
    return true;
}

// One to max digits at pos.
bool SomeDigits(std::string_view s, size_t& pos, size_t max, int& value) {
    size_t n = 0;
    int v = 0;
    while (n < max && pos + n < s.size() && std::isdigit(static_cast<unsigned char>(s[pos + n]))) {
        v = v * 10 + (s[pos + n] - '0');
        ++n;
    }
    if (n == 0) return false;
    value = v;
    pos += n;
    return true;
}

bool Char(std::string_view s, size_t& pos, char c) {
    if (pos >= s.size() || s[pos] != c) return false;
    ++pos;
    return true;
}

void SkipFraction(std::string_view s, size_t& pos) {
    if (pos < s.size() && (s[pos] == '.' || s[pos] == ',')) {
        ++pos;
        while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) ++pos;
    }
}

// "Z", "+02:00", "+0200", "+02" or nothing; false for anything else.
bool Zone(std::string_view s, size_t& pos, ZonedStamp& out) {
    if (pos == s.size()) return true;
    if (s[pos] == 'Z' || s[pos] == 'z') {
        ++pos;
        out.HasOffset = true;
        return true;
    }
    if (s[pos] != '+' && s[pos] != '-') return false;
    const int sign = s[pos++] == '-' ? -1 : 1;
    int h = 0, m = 0;
    if (!Digits(s, pos, 2, h)) return false;
    if (pos < s.size()) {
        Char(s, pos, ':');
        if (!Digits(s, pos, 2, m)) return false;
    }
    if (h > 14 || m > 59) return false;
    out.OffsetMinutes = sign * (h * 60 + m);
    out.HasOffset = true;
    return true;
}

std::optional<ZonedStamp> Civil(int y, int mo, int d, int h, int mi, int sec) {
    if (sec == 60) sec = 59;   // a leap second stays in its minute
    auto value = DateTime::FromCivil(y, mo, d, h, mi, sec);
    if (!value) return std::nullopt;
    ZonedStamp z;
    z.Wall = *value;
    return z;
}

int MonthOfName(std::string_view name) {
    if (name.size() < 3) return 0;
    // The three letters in lower case as one number: one comparison per month.
    auto lower = [&](size_t i) { return static_cast<uint32_t>(static_cast<unsigned char>(name[i]) | 0x20); };
    const uint32_t key = lower(0) << 16 | lower(1) << 8 | lower(2);
    static constexpr std::array<uint32_t, 12> Keys = {
        'j' << 16 | 'a' << 8 | 'n', 'f' << 16 | 'e' << 8 | 'b', 'm' << 16 | 'a' << 8 | 'r', 'a' << 16 | 'p' << 8 | 'r',
        'm' << 16 | 'a' << 8 | 'y', 'j' << 16 | 'u' << 8 | 'n', 'j' << 16 | 'u' << 8 | 'l', 'a' << 16 | 'u' << 8 | 'g',
        's' << 16 | 'e' << 8 | 'p', 'o' << 16 | 'c' << 8 | 't', 'n' << 16 | 'o' << 8 | 'v', 'd' << 16 | 'e' << 8 | 'c'};
    for (size_t i = 0; i < Keys.size(); ++i)
        if (key == Keys[i]) return static_cast<int>(i) + 1;
    return 0;
}

} // namespace

std::optional<ZonedStamp> ReadIso8601(std::string_view s) {
    size_t pos = 0;
    int y, mo, d, h, mi, sec = 0;
    if (!Digits(s, pos, 4, y) || !Char(s, pos, '-') || !Digits(s, pos, 2, mo) || !Char(s, pos, '-') ||
        !Digits(s, pos, 2, d))
        return std::nullopt;
    if (pos >= s.size() || (s[pos] != 'T' && s[pos] != ' ')) return std::nullopt;
    ++pos;
    if (!Digits(s, pos, 2, h) || !Char(s, pos, ':') || !Digits(s, pos, 2, mi)) return std::nullopt;
    if (Char(s, pos, ':') && !Digits(s, pos, 2, sec)) return std::nullopt;
    SkipFraction(s, pos);
    auto z = Civil(y, mo, d, h, mi, sec);
    if (!z || !Zone(s, pos, *z) || pos != s.size()) return std::nullopt;
    return z;
}

std::optional<ZonedStamp> ReadClfStamp(std::string_view s) {
    // 10/Oct/2000:13:55:36 +0200
    size_t pos = 0;
    int d, y, h, mi, sec;
    if (!Digits(s, pos, 2, d) || !Char(s, pos, '/')) return std::nullopt;
    const int mo = MonthOfName(s.substr(pos, 3));
    pos += 3;
    if (mo == 0 || !Char(s, pos, '/') || !Digits(s, pos, 4, y) || !Char(s, pos, ':') || !Digits(s, pos, 2, h) ||
        !Char(s, pos, ':') || !Digits(s, pos, 2, mi) || !Char(s, pos, ':') || !Digits(s, pos, 2, sec))
        return std::nullopt;
    SkipFraction(s, pos);
    auto z = Civil(y, mo, d, h, mi, sec);
    if (!z) return std::nullopt;
    if (Char(s, pos, ' ') && !Zone(s, pos, *z)) return std::nullopt;
    if (pos != s.size()) return std::nullopt;
    return z;
}

std::optional<ZonedStamp> ReadUnixStamp(std::string_view s, int digitsPerSecond) {
    size_t pos = 0;
    int64_t whole = 0;
    size_t n = 0;
    while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) {
        if (++n > 18) return std::nullopt;
        whole = whole * 10 + (s[pos++] - '0');
    }
    if (n == 0) return std::nullopt;
    SkipFraction(s, pos);
    if (pos != s.size()) return std::nullopt;
    for (int i = 0; i < digitsPerSecond; ++i) whole /= 10;
    if (whole > 253402300799) return std::nullopt;   // after 9999-12-31
    ZonedStamp z;
    z.Wall = DateTime::FromSeconds(whole);
    z.HasOffset = true;
    return z;
}

std::optional<ZonedStamp> ReadPatternStamp(std::string_view s, std::string_view pattern) {
    int y = 1970, mo = 1, d = 1, h = 0, mi = 0, sec = 0, hour12 = -1;
    bool pm = false;
    ZonedStamp zone;
    size_t pos = 0;
    for (size_t p = 0; p < pattern.size(); ++p) {
        const char c = pattern[p];
        if (c != '%' || p + 1 == pattern.size()) {
            if (!Char(s, pos, c)) return std::nullopt;
            continue;
        }
        const char k = pattern[++p];
        bool ok = true;
        switch (k) {
        case 'Y': ok = Digits(s, pos, 4, y); break;
        case 'y': ok = Digits(s, pos, 2, y); y += y < 70 ? 2000 : 1900; break;
        case 'm': ok = SomeDigits(s, pos, 2, mo); break;
        case 'd': case 'e':
            if (pos < s.size() && s[pos] == ' ') ++pos;
            ok = SomeDigits(s, pos, 2, d);
            break;
        case 'H': ok = SomeDigits(s, pos, 2, h); break;
        case 'I': ok = SomeDigits(s, pos, 2, hour12); break;
        case 'M': ok = SomeDigits(s, pos, 2, mi); break;
        case 'S': ok = SomeDigits(s, pos, 2, sec); SkipFraction(s, pos); break;
        case 'p':
            if (pos + 2 > s.size()) return std::nullopt;
            pm = std::toupper(static_cast<unsigned char>(s[pos])) == 'P';
            pos += 2;
            break;
        case 'b': case 'h': case 'B': {
            mo = MonthOfName(s.substr(pos));
            if (mo == 0) return std::nullopt;
            while (pos < s.size() && std::isalpha(static_cast<unsigned char>(s[pos]))) ++pos;
            break;
        }
        case 'a': case 'A':
            while (pos < s.size() && std::isalpha(static_cast<unsigned char>(s[pos]))) ++pos;
            break;
        case 'T':
            ok = SomeDigits(s, pos, 2, h) && Char(s, pos, ':') && SomeDigits(s, pos, 2, mi) && Char(s, pos, ':') &&
                 SomeDigits(s, pos, 2, sec);
            break;
        case 'F':
            ok = Digits(s, pos, 4, y) && Char(s, pos, '-') && SomeDigits(s, pos, 2, mo) && Char(s, pos, '-') &&
                 SomeDigits(s, pos, 2, d);
            break;
        case 'D':
            ok = SomeDigits(s, pos, 2, mo) && Char(s, pos, '/') && SomeDigits(s, pos, 2, d) && Char(s, pos, '/') &&
                 Digits(s, pos, 2, y);
            y += y < 70 ? 2000 : 1900;
            break;
        case 'z': ok = Zone(s, pos, zone) && zone.HasOffset; break;
        case 'Z':
            while (pos < s.size() && std::isalpha(static_cast<unsigned char>(s[pos]))) ++pos;
            break;
        case 's': {
            size_t start = pos;
            while (pos < s.size() && std::isdigit(static_cast<unsigned char>(s[pos]))) ++pos;
            auto unix = ReadUnixStamp(s.substr(start, pos - start), 0);
            if (!unix) return std::nullopt;
            const CivilTime c = unix->Wall.Civil();
            y = c.Year, mo = c.Month, d = c.Day, h = c.Hour, mi = c.Minute, sec = c.Second;
            zone.HasOffset = true;
            zone.OffsetMinutes = 0;
            break;
        }
        case '%': ok = Char(s, pos, '%'); break;
        default: return std::nullopt;   // a directive this reader does not know never guesses
        }
        if (!ok) return std::nullopt;
    }
    if (pos != s.size()) return std::nullopt;
    if (hour12 >= 0) h = hour12 % 12 + (pm ? 12 : 0);
    auto z = Civil(y, mo, d, h, mi, sec);
    if (!z) return std::nullopt;
    z->OffsetMinutes = zone.OffsetMinutes;
    z->HasOffset = zone.HasOffset;
    return z;
}

std::optional<ZonedStamp> ReadStamp(const LineFields& f) {
    std::string_view stamp = f.Stamp;
    if (!stamp.empty() && stamp.front() == '[' && stamp.back() == ']') stamp = stamp.substr(1, stamp.size() - 2);
    switch (f.Form) {
    case StampForm::None: return std::nullopt;
    case StampForm::Clf: return ReadClfStamp(stamp);
    case StampForm::Iso8601: return ReadIso8601(stamp);
    case StampForm::UnixSeconds: return ReadUnixStamp(stamp, 0);
    case StampForm::UnixMillis: return ReadUnixStamp(stamp, 3);
    case StampForm::UnixMicros: return ReadUnixStamp(stamp, 6);
    case StampForm::Pattern: return ReadPatternStamp(stamp, f.StampPattern);
    case StampForm::W3c: {
        size_t pos = 0;
        int y, mo, d, h, mi, sec;
        std::string_view date = f.StampDate, time = f.StampTime;
        if (!Digits(date, pos, 4, y) || !Char(date, pos, '-') || !Digits(date, pos, 2, mo) || !Char(date, pos, '-') ||
            !Digits(date, pos, 2, d) || pos != date.size())
            return std::nullopt;
        pos = 0;
        if (!Digits(time, pos, 2, h) || !Char(time, pos, ':') || !Digits(time, pos, 2, mi) || !Char(time, pos, ':') ||
            !Digits(time, pos, 2, sec))
            return std::nullopt;
        SkipFraction(time, pos);
        if (pos != time.size()) return std::nullopt;
        return Civil(y, mo, d, h, mi, sec);
    }
    }
    return std::nullopt;
}

} // namespace trevix
