#pragma once
// The byte searches of the line loop, a block of bytes at a time: where a line ends (and
// whether it is plain ASCII, which needs no UTF-8 check), and where a line's blanks, quotes,
// brackets and URL parameter marks are, found in one pass rather than by a search per field.
//
// VectorScan uses SSE2, which every x86-64 processor has; PortableScan does the same a word
// or a byte at a time for other processors. ByteScan is the one the engine uses, chosen when
// it is compiled; both are always compiled, so tests can hold one against the other.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace trevix {

struct LineEnd {
    size_t Pos; // where the first end byte is; the text's size when there is none
    bool Ascii; // every byte before Pos is below 0x80
};

// One bit per byte of a text (bit i of word w is byte 64 w + i): blanks, double quotes, and
// the rarer bytes a parser looks for: square brackets and the "?" and "&" of URL parameters.
struct TextMarks {
    uint64_t* Blanks;
    uint64_t* Quotes;
    uint64_t* Others;
};

struct PortableScan {
    static LineEnd FindLineEnd(const char* p, size_t n, char end) {
        const void* hit = n ? std::memchr(p, end, n) : nullptr;
        const size_t pos = hit ? static_cast<size_t>(static_cast<const char*>(hit) - p) : n;
        uint64_t high = 0;
        size_t i = 0;
        for (; i + 8 <= pos; i += 8) {
            uint64_t w;
            std::memcpy(&w, p + i, 8);
            high |= w;
        }
        high &= 0x8080808080808080ULL;
        for (; i < pos; ++i)
            high |= static_cast<unsigned char>(p[i]) & 0x80;
        return {pos, high == 0};
    }

    // Fills (n + 63) / 64 words of each mark.
    static void MarkText(const char* p, size_t n, TextMarks marks) {
        for (size_t w = 0; w * 64 < n; ++w) {
            uint64_t blanks = 0, quotes = 0, others = 0;
            const size_t count = n - w * 64 < 64 ? n - w * 64 : 64;
            for (size_t i = 0; i < count; ++i) {
                const char c = p[w * 64 + i];
                blanks |= static_cast<uint64_t>(c == ' ') << i;
                quotes |= static_cast<uint64_t>(c == '"') << i;
                others |= static_cast<uint64_t>(c == '[' || c == ']' || c == '?' || c == '&') << i;
            }
            marks.Blanks[w] = blanks;
            marks.Quotes[w] = quotes;
            marks.Others[w] = others;
        }
    }
};

#if defined(__SSE2__)
struct VectorScan {
    static LineEnd FindLineEnd(const char* p, size_t n, char end) {
        const __m128i e = _mm_set1_epi8(end);
        uint64_t high = 0;
        size_t i = 0;
        // Four blocks per step: one test and one branch for 64 bytes.
        for (; i + 64 <= n; i += 64) {
            const __m128i a = Load(p + i), b = Load(p + i + 16), c = Load(p + i + 32), d = Load(p + i + 48);
            const __m128i ea = _mm_cmpeq_epi8(a, e), eb = _mm_cmpeq_epi8(b, e), ec = _mm_cmpeq_epi8(c, e),
                          ed = _mm_cmpeq_epi8(d, e);
            if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(ea, eb), _mm_or_si128(ec, ed)))) {
                const uint64_t hits = Word(ea, eb, ec, ed), bits = Word(a, b, c, d);
                const unsigned at = static_cast<unsigned>(std::countr_zero(hits));
                return {i + at, (high | (bits & ((uint64_t{1} << at) - 1))) == 0};
            }
            high |= static_cast<unsigned>(
                _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d))));
        }
        for (; i + 16 <= n; i += 16) {
            const __m128i v = Load(p + i);
            const unsigned hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, e)));
            const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(v));
            if (hits) {
                const unsigned at = static_cast<unsigned>(std::countr_zero(hits));
                return {i + at, (high | (bits & ((1u << at) - 1))) == 0};
            }
            high |= bits;
        }
        for (; i < n; ++i) {
            if (p[i] == end) break;
            high |= static_cast<unsigned char>(p[i]) & 0x80;
        }
        return {i, high == 0};
    }

    static void MarkText(const char* p, size_t n, TextMarks marks) {
        const __m128i blank = _mm_set1_epi8(' '), quote = _mm_set1_epi8('"'), open = _mm_set1_epi8('['),
                      close = _mm_set1_epi8(']'), question = _mm_set1_epi8('?'), amp = _mm_set1_epi8('&');
        uint64_t blanks = 0, quotes = 0, others = 0;
        auto mark = [&](__m128i v, unsigned shift, unsigned at) {
            const auto bits = [&](__m128i m) { return BlockBits(m, shift, at); };
            blanks |= bits(_mm_cmpeq_epi8(v, blank));
            quotes |= bits(_mm_cmpeq_epi8(v, quote));
            others |= bits(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close)),
                                        _mm_or_si128(_mm_cmpeq_epi8(v, question), _mm_cmpeq_epi8(v, amp))));
        };
        auto store = [&](size_t w) {
            marks.Blanks[w] = blanks;
            marks.Quotes[w] = quotes;
            marks.Others[w] = others;
            blanks = quotes = others = 0;
        };
        MarkBlocks(p, n, mark, store);
    }

    // The bytes of a block that compare equal (m, from _mm_cmpeq_epi8) as bits of a word: the
    // first shift bytes left out, the rest from bit at on (see MarkBlocks).
    static uint64_t BlockBits(__m128i m, unsigned shift, unsigned at) {
        return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(m)) >> shift) << at;
    }

    // Walks n bytes at p in 16-byte blocks, 64 bytes to a word of bits: mark(block, shift, at)
    // for each block, whose first shift bytes were marked already and whose bits start at bit
    // at; store(w) after each whole word and after the last part of one. Nothing beyond p + n
    // is read.
    template <class Mark, class Store> static void MarkBlocks(const char* p, size_t n, Mark&& mark, Store&& store) {
        size_t i = 0;
        // Whole words first: four blocks at fixed places, no shift by a variable count.
        for (; i + 64 <= n; i += 64) {
            mark(Load(p + i), 0, 0);
            mark(Load(p + i + 16), 0, 16);
            mark(Load(p + i + 32), 0, 32);
            mark(Load(p + i + 48), 0, 48);
            store(i >> 6);
        }
        for (; i + 16 <= n; i += 16)
            mark(Load(p + i), 0, static_cast<unsigned>(i & 63));
        if (i < n) {
            // The last bytes: the 16 that end the text, shifted past the ones already marked.
            const unsigned rest = static_cast<unsigned>(n - i);
            if (n >= 16) {
                mark(Load(p + n - 16), 16 - rest, static_cast<unsigned>(i & 63));
            } else {
                char block[16] = {};
                std::memcpy(block, p + i, rest);
                mark(Load(block), 0, static_cast<unsigned>(i & 63));
            }
        }
        if (n & 63) store(n >> 6);
    }

private:
    static __m128i Load(const char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    // The top bits of four blocks' bytes as one word.
    static uint64_t Word(__m128i a, __m128i b, __m128i c, __m128i d) {
        auto bits = [](__m128i v) {
            return static_cast<uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v)));
        };
        return bits(a) | bits(b) << 16 | bits(c) << 32 | bits(d) << 48;
    }
};
using ByteScan = VectorScan;

#if defined(__x86_64__) && defined(__GNUC__)
#define TREVIX_WIDE_SCAN 1
// VectorScan with the marks taken 32 bytes at a time, for processors with AVX2 (asked at run
// time: Available), which mark a line in about half the steps.
struct WideScan : VectorScan {
    static bool Available() {
        static const bool available = __builtin_cpu_supports("avx2");
        return available;
    }

    __attribute__((target("avx2"))) static void MarkText(const char* p, size_t n, TextMarks marks) {
        size_t i = 0, w = 0;
        for (; i + 64 <= n; i += 64, ++w) MarkWord(p + i, 0, marks, w);
        if (i == n) return;
        const unsigned rest = static_cast<unsigned>(n - i);
        if (n >= 64) {
            // The 64 bytes that end the text, the ones marked already shifted out.
            MarkWord(p + n - 64, 64 - rest, marks, w);
        } else {
            char block[64] = {};
            std::memcpy(block, p, n);
            MarkWord(block, 0, marks, w);
        }
    }

private:
    // Marks the 64 bytes at p into word w, leaving out the first shift bytes.
    __attribute__((target("avx2"))) static void MarkWord(const char* p, unsigned shift, TextMarks marks, size_t w) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        marks.Blanks[w] = Bits(Equal(a, b, ' ')) >> shift;
        marks.Quotes[w] = Bits(Equal(a, b, '"')) >> shift;
        const Pair open = Equal(a, b, '['), close = Equal(a, b, ']'), question = Equal(a, b, '?'),
                   amp = Equal(a, b, '&');
        const Pair others = {_mm256_or_si256(_mm256_or_si256(open.A, close.A), _mm256_or_si256(question.A, amp.A)),
                             _mm256_or_si256(_mm256_or_si256(open.B, close.B), _mm256_or_si256(question.B, amp.B))};
        marks.Others[w] = Bits(others) >> shift;
    }
    struct Pair {
        __m256i A, B;
    };
    __attribute__((target("avx2"))) static Pair Equal(__m256i a, __m256i b, char c) {
        const __m256i v = _mm256_set1_epi8(c);
        return {_mm256_cmpeq_epi8(a, v), _mm256_cmpeq_epi8(b, v)};
    }
    __attribute__((target("avx2"))) static uint64_t Bits(Pair m) {
        return static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(m.A))) |
               static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(m.B))) << 32;
    }
};
#endif
#else
using ByteScan = PortableScan;
#endif

} // namespace trevix
