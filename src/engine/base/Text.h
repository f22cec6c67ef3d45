#pragma once
// Small text services shared by the engine: blank trimming, the numbers rule of log fields,
// letter case. UTF-8 reading and repair are in Utf8.h.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trevix {

// Removes leading and trailing blanks (spaces only; tabs and CR are kept).
inline std::string_view TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return s.substr(b, e - b);
}

// The decimal number at the start of a text (optional blanks and sign, digits, an optional
// fraction), rounded to the nearest integer with halves to even; 0 when there is none.
// Status and byte fields are nearly always plain digits: read as an integer without the
// general number rule (up to fifteen digits, which that rule reads exactly too). False for
// anything else, value untouched.
inline bool PlainDigits(std::string_view s, uint64_t& value) {
    if (s.empty() || s.size() > 15) return false;
    uint64_t v = 0;
    for (char c : s) {
        const unsigned d = static_cast<unsigned char>(c) - '0';
        if (d > 9) return false;
        v = v * 10 + d;
    }
    value = v;
    return true;
}

double LeadingNumber(std::string_view s);
// True when the whole text is one decimal number (sign, digits, optional fraction).
bool IsWholeNumber(std::string_view s);

std::string ToLowerAscii(std::string_view s);
char LowerAscii(char c);
// Equal texts when ASCII letters are compared without regard to case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The key under which texts merge regardless of letter case, in any script: the text in
// Unicode normal form C with every code point lowered by its simple lower-case mapping
// ("ÜBER uns" and "über UNS" give one key). Text that is not valid UTF-8 is lowered in its
// ASCII letters only.
std::string CaseFoldKey(std::string_view text);

} // namespace trevix
