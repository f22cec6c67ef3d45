#include "engine/base/RecordIndex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trevix {
namespace {

// Keys whose hashes are chosen to collide: the index must still find exactly the first record
// of each key, through growth and reservation alike.
struct Case {
    const char* name;
    uint64_t (*hash)(const std::string& key, size_t i);
    size_t keys;
    size_t reserve;   // 0: grow by doubling only
};

uint64_t Real(const std::string& key, size_t) { return HashText(key); }
// Every key the same hash: one probe chain, told apart only by the records.
uint64_t AllSame(const std::string&, size_t) { return 0xfeedface12345678ULL; }
// The same start of the probe, different tags.
uint64_t SameHome(const std::string&, size_t i) { return (0xabcULL << 52) | (uint64_t(i) << 32) | i; }
// Tags that differ only in their low bits, which no start of a probe uses until the index is large.
uint64_t LowTagBits(const std::string&, size_t i) { return (uint64_t(i & 0xfff) << 32) | 0x5555; }

TEST(RecordIndexTest, FindsTheFirstRecordOfEachKey) {
    const Case cases[] = {
        {"real hashes", Real, 20000, 0},
        {"real hashes reserved", Real, 20000, 30000},
        {"reserved too little", Real, 5000, 100},
        {"one hash for all", AllSame, 300, 0},
        {"one start of probe", SameHome, 3000, 0},
        {"low tag bits", LowTagBits, 9000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordIndex index;
        if (c.reserve) index.Reserve(c.reserve);
        const size_t reservedSlots = index.SlotCount();
        // Records 1..n hold the keys; every third key comes again later as a second record.
        std::vector<std::string> records{""};
        for (size_t i = 0; i < c.keys; ++i) records.push_back("key" + std::to_string(i));
        for (size_t i = 0; i < c.keys; i += 3) records.push_back("key" + std::to_string(i));
        auto keyIndex = [](const std::string& key) { return static_cast<size_t>(std::stoul(key.substr(3))); };
        for (uint32_t r = 1; r < records.size(); ++r) {
            const std::string& key = records[r];
            const uint64_t h = c.hash(key, keyIndex(key));
            if (r <= c.keys) {
                ASSERT_EQ(index.Find(h, [&](uint32_t o) { return records[o] == key; }), 0u);
                if (r % 2) index.InsertNew(h, r);
                else index.Insert(h, r, [&](uint32_t o) { return records[o] == key; });
            } else {
                index.Insert(h, r, [&](uint32_t o) { return records[o] == key; });
            }
        }
        EXPECT_EQ(index.Size(), c.keys);
        if (c.reserve >= c.keys) EXPECT_EQ(index.SlotCount(), reservedSlots) << "grew although reserved";
        for (size_t i = 0; i < c.keys; ++i) {
            const std::string key = "key" + std::to_string(i);
            const uint64_t h = c.hash(key, i);
            ASSERT_EQ(index.Find(h, [&](uint32_t o) { return records[o] == key; }), i + 1) << key;
        }
        const std::string absent = "key" + std::to_string(c.keys + 7);
        EXPECT_EQ(index.Find(c.hash(absent, c.keys + 7), [&](uint32_t o) { return records[o] == absent; }), 0u);
        index.Clear();
        EXPECT_EQ(index.Find(c.hash("key1", 1), [](uint32_t) { return true; }), 0u);
    }
}

} // namespace
} // namespace trevix
