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
