#include "engine/base/IpAddress.h"

#include <array>

namespace trevix {

namespace {
// Hex digit values by byte, -1 for the rest: a table, since the IPv6 range file has hundreds of
// thousands of addresses to read at start-up.
constexpr std::array<int8_t, 256> HexValues = [] {
    std::array<int8_t, 256> values{};
    for (int c = 0; c < 256; ++c)
        values[static_cast<size_t>(c)] = static_cast<int8_t>(c >= '0' && c <= '9'   ? c - '0'
                                                             : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                                    : -1);
    return values;
}();

int HexValue(char c) {
    return HexValues[static_cast<unsigned char>(c)];
}
} // namespace

bool ParseIPv4(std::string_view text, uint32_t& number) {
    uint32_t result = 0;
    int pieces = 0;
    size_t i = 0;
    while (pieces < 4) {
        size_t digits = 0;
        uint32_t value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + static_cast<uint32_t>(text[i] - '0');
            ++i;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        result = (result << 8) | value;
        ++pieces;
        if (pieces < 4) {
            if (i >= text.size() || text[i] != '.') return false;
            ++i;
        }
    }
    if (i != text.size()) return false;
    number = result;
    return true;
}

bool ParseIPv6(std::string_view text, Ip6Number& number) {
    if (!text.empty() && text.front() == '[') {
        if (text.back() != ']') return false;
        text = text.substr(1, text.size() - 2);
    }
    const size_t n = text.size();
    if (n < 2) return false;

    // One pass over the text: it is called for every line of the IPv6 range file.
    uint16_t groups[8] = {};
    int count = 0;
    int gap = -1; // group index where "::" stands
    size_t i = 0;
    if (text[0] == ':') {
        if (text[1] != ':') return false;
        gap = 0;
        i = 2;
    }
    while (i < n && text[i] != '%') {
        if (count == 8) return false;
        const size_t start = i;
        uint32_t value = 0;
        for (int h; i < n && (h = HexValue(text[i])) >= 0; ++i)
            value = (value << 4) | static_cast<uint32_t>(h);
        if (i < n && text[i] == '.') {
            // A dotted IPv4 tail fills the last two groups.
            size_t end = text.find('%', start);
            if (end == std::string_view::npos) end = n;
            uint32_t v4 = 0;
            if (count > 6 || !ParseIPv4(text.substr(start, end - start), v4)) return false;
            groups[count++] = static_cast<uint16_t>(v4 >> 16);
            groups[count++] = static_cast<uint16_t>(v4 & 0xffff);
            break;
        }
        if (i == start || i - start > 4) return false;
        groups[count++] = static_cast<uint16_t>(value);
        if (i >= n || text[i] == '%') break;
        if (text[i] != ':') return false;
        ++i;
        if (i < n && text[i] == ':') {
            if (gap >= 0) return false; // a second "::"
            gap = count;
            ++i;
        } else if (i >= n || text[i] == '%') {
            return false; // a single trailing ":"
        }
    }
    if (gap < 0 && count != 8) return false;
    if (gap >= 0 && count > 7) return false; // "::" stands for at least one group
    uint16_t full[8] = {};
    if (gap < 0) {
        for (int g = 0; g < 8; ++g)
            full[g] = groups[g];
    } else {
        for (int g = 0; g < gap; ++g)
            full[g] = groups[g];
        const int tail = count - gap;
        for (int g = 0; g < tail; ++g)
            full[8 - tail + g] = groups[gap + g];
    }
    Ip6Number result;
    for (int g = 0; g < 4; ++g)
        result.Hi = (result.Hi << 16) | full[g];
    for (int g = 4; g < 8; ++g)
        result.Lo = (result.Lo << 16) | full[g];
    number = result;
    return true;
}

bool MappedIPv4(const Ip6Number& address, uint32_t& number) {
    if (address.Hi != 0 || (address.Lo >> 32) != 0xffffu) return false;
    number = static_cast<uint32_t>(address.Lo & 0xffffffffu);
    return true;
}

} // namespace trevix
