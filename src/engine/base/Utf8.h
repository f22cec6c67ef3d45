#pragma once
// The one UTF-8 decoder: every reader of UTF-8 text (validation, repair, sorting, XML and HTML
// output, escapes) agrees on what a well-formed character is.
#include <cstddef>
#include <string>
#include <string_view>

namespace trevix {

struct Utf8Char {
    char32_t CodePoint = 0;
    size_t Length = 0;   // bytes taken; 0 when the bytes at the position are not one character
};

// The well-formed UTF-8 character at s[i] (i < s.size()). Stray and missing continuation
// bytes, overlong forms, surrogate halves and code points beyond U+10FFFF give Length 0.
inline Utf8Char DecodeUtf8(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) return {b0, 1};
    const size_t length = b0 < 0xC2 ? 0 : b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : b0 < 0xF5 ? 4 : 0;
    if (length == 0 || s.size() - i < length) return {};
    char32_t cp = b0 & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) return {};
        cp = (cp << 6) | (b & 0x3F);
    }
    if (length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) return {};
    if (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) return {};
    return {cp, length};
}

bool IsValidUtf8(std::string_view s);
// Valid UTF-8 sequences are kept; every other byte is read as Windows-1252.
std::string ToValidUtf8(std::string_view s);
// Appends a code point in UTF-8 (whose byte order is code point order).
void AppendUtf8(std::string& out, char32_t c);
// Appends the UTF-8 form of one Windows-1252 byte.
void AppendCp1252(std::string& out, unsigned char byte);
// The longest prefix of at most maxBytes that does not split a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view s, size_t maxBytes);

} // namespace trevix
