#include "engine/base/TextArena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace trevix;

// Arenas cleared line after line (a format's scratch, the stored-entry reader) reuse their
// block: texts stored after a Clear must still be whole, and Empty must tell a cleared arena.
TEST(TextArenaTest, TextsStayWholeAcrossClearsAndLargeTexts) {
    TextArena arena;
    EXPECT_TRUE(arena.Empty());
    const std::string large(600 * 1024, 'L');
    const std::vector<std::vector<std::string>> rounds = {
        {"a", "bc", large},
        {large},
        {std::string(300 * 1024, 'x'), std::string(300 * 1024, 'y'), std::string(300 * 1024, 'z'), "tail"},
        {"after"},
        {},
    };
    for (const auto& texts : rounds) {
        arena.Clear();
        EXPECT_TRUE(arena.Empty());
        std::vector<std::string_view> stored;
        for (const std::string& text : texts) stored.push_back(arena.Store(text));
        stored.push_back(arena.Concat("host", "/file"));
        EXPECT_FALSE(arena.Empty());
        for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(stored[i], texts[i]);
        EXPECT_EQ(stored.back(), "host/file");
    }
}

// A scratch arena is cleared after every line and keeps its block: texts stored after a clear
// must not overlap one another, nor a large text stored beside them.
TEST(TextArena, TextsStoredAfterClearStayApart) {
    TextArena arena;
    EXPECT_TRUE(arena.Empty());
    for (int line = 0; line < 3; ++line) {
        arena.Store("text of the line before");
        arena.Clear();
        EXPECT_TRUE(arena.Empty());
        const std::string large(400000, static_cast<char>('a' + line));
        std::vector<std::string_view> stored = {arena.Store("first"), arena.Store(large),
                                                arena.Concat("sec", "ond"), arena.Store("third")};
        EXPECT_FALSE(arena.Empty());
        EXPECT_EQ(stored[0], "first");
        EXPECT_EQ(stored[1], large);
        EXPECT_EQ(stored[2], "second");
        EXPECT_EQ(stored[3], "third");
    }
    // Texts filling more than one block.
    arena.Clear();
    std::vector<std::string_view> many;
    for (int i = 0; i < 3000; ++i) many.push_back(arena.Store(std::string(1000, static_cast<char>('A' + i % 26))));
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(many[i], std::string(1000, static_cast<char>('A' + i % 26)));
    arena.Clear();
    EXPECT_TRUE(arena.Empty());
    EXPECT_EQ(arena.Store("after"), "after");
}
