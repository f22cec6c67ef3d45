#pragma once
// An open-addressing hash index from a key to a 1-based record number. The records keep
// their table order; the index only finds them. Only the first record of a key is indexed
// (a loaded report may repeat a key), so a hit is exactly the record a front-to-back scan
// would find and repeated keys never lengthen a probe chain.
// The caller supplies the hash and an equality test on the record, so composite keys
// (referrer + file, file + referrer + status) need no key object.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace trevix {

inline uint64_t HashMix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

// A secret chosen at random once per process. Keys come from input files: with a known
// hash, crafted keys could all land in one probe chain and make a run quadratic.
uint64_t MakeHashSeed();
inline uint64_t HashSeed() {
    static const uint64_t seed = MakeHashSeed();
    return seed;
}

// The two halves of a 128-bit product folded together: one multiplication mixes 16 bytes.
// (__extension__: the 128-bit type is the compiler's, not the standard's.)
__extension__ typedef unsigned __int128 WideProduct;
inline uint64_t MultiplyFold(uint64_t a, uint64_t b) {
    const WideProduct product = static_cast<WideProduct>(a) * b;
    return static_cast<uint64_t>(product) ^ static_cast<uint64_t>(product >> 64);
}

// A fast non-cryptographic hash of a byte string, sixteen bytes at a time, keyed by HashSeed.
// Every line hashes its client, file and referrer, so this runs a few hundred million times
// per million lines' bytes.
inline uint64_t HashText(std::string_view s) {
    constexpr uint64_t K1 = 0xa0761d6478bd642fULL, K2 = 0xe7037ed1a0b428dbULL;
    const uint64_t seed = HashSeed();
    const char* p = s.data();
    size_t n = s.size();
    uint64_t h = seed ^ (n * 0x9e3779b97f4a7c15ULL);
    while (n > 16) {
        uint64_t a, b;
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + 8, 8);
        h = MultiplyFold(a ^ h ^ K1, b ^ seed ^ K2);
        p += 16;
        n -= 16;
    }
    // The last 1 to 16 bytes, read as two words that may overlap (an empty view may hold a
    // null pointer, which is never read).
    uint64_t a = 0, b = 0;
    if (n > 8) {
        std::memcpy(&a, p, 8);
        std::memcpy(&b, p + n - 8, 8);
    } else if (n >= 4) {
        uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + n - 4, 4);
        a = lo;
        b = hi;
    } else if (n > 0) {
        a = (uint64_t(static_cast<unsigned char>(p[0])) << 16) | (uint64_t(static_cast<unsigned char>(p[n / 2])) << 8) |
            static_cast<unsigned char>(p[n - 1]);
    }
    h = MultiplyFold(a ^ h ^ K1, b ^ seed ^ K2 ^ n);
    return HashMix(h);
}

// HashText as a hasher for standard containers keyed by text views.
struct TextHash {
    size_t operator()(std::string_view s) const { return static_cast<size_t>(HashText(s)); }
};

inline uint64_t HashCombine(uint64_t a, uint64_t b) { return HashMix(a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6))); }

class RecordIndex {
public:
    // Record number of the key, 0 when absent. eq(record) tells whether a candidate matches.
    template <class Eq> uint32_t Find(uint64_t hash, Eq&& eq) const {
        if (slots_.empty()) return 0;
        const uint32_t tag = Tag(hash);
        for (size_t i = Home(tag);; i = (i + 1) & mask_) {
            const Slot s = slots_[i];
            if (s.record == 0) return 0;
            // The tag first: a record and its key text are read only on a likely match.
            if (s.tag == tag && eq(s.record)) return s.record;
        }
    }
    // Starts loading the slot a Find of hash will read first: the counting loop asks for the
    // entries a few lines ahead, so a probe rarely waits for memory.
    void Prefetch(uint64_t hash) const {
        if (!slots_.empty()) __builtin_prefetch(&slots_[Home(Tag(hash))]);
    }
    // Indexes record, whose key the caller knows is not indexed (its Find has just missed).
    void InsertNew(uint64_t hash, uint32_t record) {
        if (NeedsRoom()) Grow(slots_.size() * 2);
        Place(Tag(hash), record);
        ++count_;
    }
    // Indexes record unless a record of the same key (eq) is indexed already.
    template <class Eq> void Insert(uint64_t hash, uint32_t record, Eq&& eq) {
        if (NeedsRoom()) Grow(slots_.size() * 2);
        const uint32_t tag = Tag(hash);
        for (size_t i = Home(tag);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.record == 0) {
                s = Slot{record, tag};
                ++count_;
                return;
            }
            if (s.tag == tag && eq(s.record)) return;
        }
    }
    // Room for about keys keys without growing: a table that knows its size roughly grows
    // once instead of rehashing and faulting in each doubling.
    void Reserve(size_t keys) {
        size_t size = slots_.empty() ? 64 : slots_.size();
        while (size < MaxSlots && keys * 4 > size * 3) size *= 2;
        if (size > slots_.size()) Grow(size);
    }
    void Clear() {
        std::vector<Slot>().swap(slots_);
        mask_ = 0;
        bits_ = 0;
        count_ = 0;
    }
    size_t Size() const { return count_; }
    size_t SlotCount() const { return slots_.size(); }

private:
    // 8 bytes a slot: the record and 32 bits of the hash. The slot a key starts its probe at
    // comes from the tag's high bits, so growing needs neither the keys nor their full hashes.
    struct Slot {
        uint32_t record = 0;   // 0: empty
        uint32_t tag = 0;      // high half of the hash
    };
    // Record numbers are 32 bits, so 2^32 slots always keep one empty.
    static constexpr size_t MaxSlots = size_t(1) << 32;
    static uint32_t Tag(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }
    size_t Home(uint32_t tag) const { return static_cast<size_t>((static_cast<uint64_t>(tag) << bits_) >> 32); }
    bool NeedsRoom() const { return slots_.size() < MaxSlots && (count_ + 1) * 4 > slots_.size() * 3; }
    void Place(uint32_t tag, uint32_t record) {
        for (size_t i = Home(tag);; i = (i + 1) & mask_) {
            if (slots_[i].record == 0) {
                slots_[i] = Slot{record, tag};
                return;
            }
        }
    }
    void Grow(size_t size) {
        if (size < 64) size = 64;
        std::vector<Slot> old;
        old.swap(slots_);
        slots_.assign(size, Slot{});
        mask_ = size - 1;
        bits_ = static_cast<unsigned>(__builtin_ctzll(size));
        for (const Slot& s : old)
            if (s.record != 0) Place(s.tag, s.record);
    }
    std::vector<Slot> slots_;
    size_t mask_ = 0;
    unsigned bits_ = 0;   // log2 of the slot count
    size_t count_ = 0;
};

} // namespace trevix
