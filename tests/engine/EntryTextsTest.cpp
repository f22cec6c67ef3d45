#include "engine/tables/EntryTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace trevix;

// Texts are kept once a run: the same text, by itself or by a number a format gave its
// decoding, must come back as the one stored copy, distinct texts as their own copies, through
// the index's growth and after a Clear.
TEST(EntryTexts, EachTextKeptOnceByTextOrByNumber) {
    EntryTexts texts;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        texts.Clear();
        std::vector<std::string> sources;
        for (int i = 0; i < 5000; ++i) sources.push_back("agent " + std::to_string(i) + std::string(i % 40, 'x'));
        std::vector<std::string_view> kept;
        for (size_t i = 0; i < sources.size(); ++i) {
            // Every third text arrives with a number; numbers collide in the recent slots.
            kept.push_back(i % 3 ? texts.Keep(sources[i]) : texts.Keep(sources[i], 1000 + i));
            ASSERT_EQ(kept.back(), sources[i]);
            EXPECT_NE(kept.back().data(), sources[i].data());
        }
        for (size_t i = 0; i < sources.size(); ++i) {
            const std::string copy = sources[i];
            EXPECT_EQ(texts.Keep(copy).data(), kept[i].data()) << i;
            // A new number for a known text, and the first number again, still give its copy.
            EXPECT_EQ(texts.Keep(copy, 900000 + i).data(), kept[i].data()) << i;
            if (i % 3 == 0) EXPECT_EQ(texts.Keep(copy, 1000 + i).data(), kept[i].data()) << i;
        }
        EXPECT_TRUE(texts.Keep("").empty());
        EXPECT_TRUE(texts.Keep("", 7).empty());
    }
}
