#include "engine/base/TerminalText.h"

#include "engine/base/Utf8.h"

#include <cstdint>

namespace trevix {

size_t ControlLength(std::string_view text, size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) return 1;
    if (i + 1 >= text.size()) return 0;
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if (c == 0xC2 && next >= 0x80 && next <= 0x9F) return 2; // C1
    if (c == 0xD8 && next == 0x9C) return 2;                 // U+061C arabic letter mark
    if (c == 0xE2 && i + 2 < text.size()) {
        const auto last = static_cast<unsigned char>(text[i + 2]);
        if (next == 0x80 && (last == 0x8E || last == 0x8F)) return 3;  // U+200E, U+200F
        if (next == 0x80 && last >= 0xAA && last <= 0xAE) return 3;    // U+202A-202E
        if (next == 0x81 && last >= 0xA6 && last <= 0xA9) return 3;    // U+2066-2069
    }
    return 0;
}

void AppendEscape(std::string& out, std::string_view control) {
    static const char digits[] = "0123456789abcdef";
    if (control.size() == 1) {
        const auto value = static_cast<unsigned char>(control[0]);
        out += "\\x";
        out.push_back(digits[value >> 4]);
        out.push_back(digits[value & 15]);
        return;
    }
    const uint32_t code = DecodeUtf8(control, 0).CodePoint;   // a two- or three-byte character
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(digits[(code >> shift) & 15]);
}

std::string TerminalText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (text[i] == '\n' || text[i] == '\t') {
            out.push_back(text[i]);
        } else if (const size_t n = ControlLength(text, i); n != 0) {
            AppendEscape(out, text.substr(i, n));
            i += n - 1;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool HasControlCharacter(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (ControlLength(text, i) != 0) return true;
    return false;
}

std::string ServerText(std::string_view raw) {
    const std::string valid = IsValidUtf8(raw) ? std::string(raw) : ToValidUtf8(raw);
    if (!HasControlCharacter(valid)) return valid;
    const std::string_view text = valid;
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t n = ControlLength(text, i);
        if (n == 0) {
            out.push_back(text[i]);
        } else if (text[i] == '\n') {
            out += "\\n";
        } else if (text[i] == '\r') {
            out += "\\r";
        } else if (text[i] == '\t') {
            out += "\\t";
        } else {
            AppendEscape(out, text.substr(i, n));
            i += n - 1;
        }
    }
    return out;
}

} // namespace trevix
