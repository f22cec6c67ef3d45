#include "engine/base/Text.h"

#include <utf8proc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace trevix {

namespace {

struct NumberScan {
    bool found = false;
    size_t end = 0;
    double value = 0;
};

NumberScan ScanNumber(std::string_view s, bool skipBlanks) {
    NumberScan r;
    size_t i = 0;
    if (skipBlanks)
        while (i < s.size() && s[i] == ' ') ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    double v = 0;
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        v = v * 10 + (s[i++] - '0');
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        size_t j = i + 1;
        double scale = 0.1;
        bool fraction = false;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') {
            v += (s[j++] - '0') * scale;
            scale /= 10;
            fraction = true;
        }
        if (digits || fraction) {
            i = j;
            digits = true;
        }
    }
    if (!digits) return r;
    r.found = true;
    r.end = i;
    r.value = negative ? -v : v;
    return r;
}

} // namespace

double LeadingNumber(std::string_view s) {
    NumberScan n = ScanNumber(s, true);
    return n.found ? std::nearbyint(n.value) : 0.0;   // default rounding mode: halves to even
}

int64_t LeadingInteger(std::string_view s) {
    double v = LeadingNumber(s);
    if (v > 9.2e18 || v < -9.2e18) return 0;
    return static_cast<int64_t>(v);
}

bool IsWholeNumber(std::string_view s) {
    NumberScan n = ScanNumber(s, false);
    return n.found && n.end == s.size();
}

namespace {

// Length of the valid UTF-8 sequence starting at p, 0 when the bytes there are not one.
size_t Utf8SequenceLength(const unsigned char* p, size_t n) {
    unsigned char c = p[0];
    if (c < 0x80) return 1;
    if (c < 0xC2) return 0;
    if (c < 0xE0) return (n >= 2 && (p[1] & 0xC0) == 0x80) ? 2 : 0;
    if (c < 0xF0) {
        if (n < 3 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80) return 0;
        if (c == 0xE0 && p[1] < 0xA0) return 0;   // overlong
        if (c == 0xED && p[1] >= 0xA0) return 0;  // surrogates
        return 3;
    }
    if (c < 0xF5) {
        if (n < 4 || (p[1] & 0xC0) != 0x80 || (p[2] & 0xC0) != 0x80 || (p[3] & 0xC0) != 0x80) return 0;
        if (c == 0xF0 && p[1] < 0x90) return 0;
        if (c == 0xF4 && p[1] >= 0x90) return 0;
        return 4;
    }
    return 0;
}

// Windows-1252 bytes 0x80..0x9F; the five undefined ones map to the C1 code points.
constexpr char16_t Cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                     0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

bool IsValidUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t n = s.size(), i = 0;
    while (i < n) {
        // Skip ASCII eight bytes at a time.
        while (i + 8 <= n) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= n) break;
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        size_t len = Utf8SequenceLength(p + i, n - i);
        if (len == 0) return false;
        i += len;
    }
    return true;
}

void AppendCp1252(std::string& out, unsigned char byte) {
    char32_t cp = byte < 0x80 ? byte : (byte < 0xA0 ? Cp1252High[byte - 0x80] : byte);
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string ToValidUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t n = s.size(), i = 0;
    while (i < n) {
        size_t len = Utf8SequenceLength(p + i, n - i);
        if (len == 0) {
            AppendCp1252(out, p[i]);
            ++i;
        } else {
            out.append(s.data() + i, len);
            i += len;
        }
    }
    return out;
}

std::string_view Utf8Prefix(std::string_view s, size_t maxBytes) {
    if (s.size() <= maxBytes) return s;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    return s.substr(0, end);
}

std::string ToLowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string CaseFoldKey(std::string_view text) {
    bool ascii = true;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return ToLowerAscii(text);

    // Composed first, so "U" + combining diaeresis and "Ü" lower to the same key.
    utf8proc_uint8_t* composed = nullptr;
    const utf8proc_ssize_t length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                     static_cast<utf8proc_ssize_t>(text.size()), &composed,
                     static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    if (length < 0) return ToLowerAscii(text);
    std::string key;
    key.reserve(static_cast<size_t>(length));
    for (utf8proc_ssize_t i = 0; i < length;) {
        utf8proc_int32_t cp = 0;
        const utf8proc_ssize_t used = utf8proc_iterate(composed + i, length - i, &cp);
        if (used <= 0) break;
        utf8proc_uint8_t buf[4];
        const utf8proc_ssize_t n = utf8proc_encode_char(utf8proc_tolower(cp), buf);
        key.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(n));
        i += used;
    }
    std::free(composed);
    return key;
}

bool ContainsText(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

} // namespace trevix
