#pragma once
// For the readers of blank-separated formats with quoted fields (format strings).
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace trevix {

// Where a line's blanks, quotes and backslashes are, one bit per byte, marked in one pass so
// that each field's end is a bit search instead of another search of the text, and a quoted
// field is known to need no decoding without looking at it again.
class LineBits {
public:
    void Mark(std::string_view line) {
        line_ = line;
        const size_t words = (line.size() + 63) / 64;
        if (bits_.size() < words * 3) bits_.resize(words * 3);   // grows with the longest line only
        words_ = words;
        uint64_t* blanks = bits_.data();
        uint64_t* quotes = blanks + words;
        uint64_t* slashes = quotes + words;
        const char* p = line.data();
        const size_t n = line.size();
        for (size_t w = 0; w < words; ++w) {
            uint64_t b = 0, q = 0, s = 0;
#if defined(__SSE2__)
            const __m128i blank = _mm_set1_epi8(' '), quote = _mm_set1_epi8('"'), slash = _mm_set1_epi8('\\');
            for (unsigned k = 0; k < 4; ++k) {
                const size_t at = w * 64 + k * 16;
                if (at >= n) break;
                __m128i v;
                if (at + 16 <= n) {
                    v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
                } else {
                    // The last bytes, copied so nothing beyond the line is read.
                    char block[16] = {};
                    std::memcpy(block, p + at, n - at);
                    v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
                }
                const auto mask = [&](__m128i c) {
                    return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, c))))
                           << (k * 16);
                };
                b |= mask(blank);
                q |= mask(quote);
                s |= mask(slash);
            }
#else
            const size_t count = n - w * 64 < 64 ? n - w * 64 : 64;
            for (size_t i = 0; i < count; ++i) {
                const char c = p[w * 64 + i];
                b |= static_cast<uint64_t>(c == ' ') << i;
                q |= static_cast<uint64_t>(c == '"') << i;
                s |= static_cast<uint64_t>(c == '\\') << i;
            }
#endif
            blanks[w] = b;
            quotes[w] = q;
            slashes[w] = s;
        }
    }

    // Where the first c at or after from is; npos when there is none.
    size_t Next(char c, size_t from) const {
        if (from >= line_.size()) return std::string_view::npos;
        const uint64_t* bits = c == ' ' ? bits_.data() : c == '"' ? bits_.data() + words_
                               : c == '\\' ? bits_.data() + 2 * words_ : nullptr;
        if (!bits) {
            const void* hit = std::memchr(line_.data() + from, c, line_.size() - from);
            return hit ? static_cast<size_t>(static_cast<const char*>(hit) - line_.data()) : std::string_view::npos;
        }
        size_t w = from >> 6;
        uint64_t word = bits[w] & (~uint64_t{0} << (from & 63));
        while (!word) {
            if (++w == words_) return std::string_view::npos;
            word = bits[w];
        }
        return (w << 6) + static_cast<size_t>(std::countr_zero(word));
    }

private:
    std::string_view line_;
    std::vector<uint64_t> bits_;   // blanks, quotes, backslashes: words_ each
    size_t words_ = 0;
};

} // namespace trevix
