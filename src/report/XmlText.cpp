#include "XmlText.h"

namespace trevix {

namespace {

// Length of the valid UTF-8 sequence at s[i] whose character XML 1.0 allows, or 0.
size_t AllowedSequence(std::string_view s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) return (b0 >= 0x20 || b0 == '\t' || b0 == '\n' || b0 == '\r') ? 1 : 0;
    const auto continuation = [&](size_t k) { return k < s.size() && (byte(k) & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF) return continuation(i + 1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
        if (!continuation(i + 1) || !continuation(i + 2)) return 0;
        const unsigned char b1 = byte(i + 1);
        if (b0 == 0xE0 && b1 < 0xA0) return 0;                         // overlong
        if (b0 == 0xED && b1 >= 0xA0) return 0;                        // surrogate halves
        if (b0 == 0xEF && b1 == 0xBF && byte(i + 2) >= 0xBE) return 0; // U+FFFE, U+FFFF
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
        if (!continuation(i + 1) || !continuation(i + 2) || !continuation(i + 3)) return 0;
        const unsigned char b1 = byte(i + 1);
        if (b0 == 0xF0 && b1 < 0x90) return 0;  // overlong
        if (b0 == 0xF4 && b1 >= 0x90) return 0; // beyond U+10FFFF
        return 4;
    }
    return 0;
}

} // namespace

bool IsXmlText(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        // Plain printable ASCII is the common case; take it without the full decode.
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80) {
            ++i;
            continue;
        }
        const size_t n = AllowedSequence(text, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string ToXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size();) {
        const size_t n = AllowedSequence(text, i);
        if (n == 0) {
            out += XmlReplacementCharacter;
            ++i;
        } else {
            out.append(text, i, n);
            i += n;
        }
    }
    return out;
}

} // namespace trevix
