#include "XmlText.h"

#include "engine/base/Utf8.h"

namespace trevix {

namespace {

// Length of the valid UTF-8 sequence at s[i] whose character XML 1.0 allows, or 0.
size_t AllowedSequence(std::string_view s, size_t i) {
    const Utf8Char c = DecodeUtf8(s, i);
    if (c.CodePoint < 0x20) return (c.CodePoint == '\t' || c.CodePoint == '\n' || c.CodePoint == '\r') ? c.Length : 0;
    if (c.CodePoint == 0xFFFE || c.CodePoint == 0xFFFF) return 0;
    return c.Length;
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
