#include "engine/base/Utf8.h"

#include <cstdint>
#include <cstring>

namespace trevix {

namespace {

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
        const size_t len = DecodeUtf8(s, i).Length;
        if (len == 0) return false;
        i += len;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendCp1252(std::string& out, unsigned char byte) {
    AppendUtf8(out, byte < 0x80 ? byte : (byte < 0xA0 ? Cp1252High[byte - 0x80] : byte));
}

std::string ToValidUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size() + s.size() / 4);
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    size_t n = s.size(), i = 0;
    while (i < n) {
        const size_t len = DecodeUtf8(s, i).Length;
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

} // namespace trevix
