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

bool IsWholeNumber(std::string_view s) {
    NumberScan n = ScanNumber(s, false);
    return n.found && n.end == s.size();
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

} // namespace trevix
