#include "engine/base/Utf8.h"

#include <gtest/gtest.h>

#include <string>

using namespace trevix;

// Every reader of text (repair, sorting, XML and HTML output) takes its characters from this
// one decoder, so its borders decide what a report may carry.
TEST(Utf8, DecodesWellFormedCharactersAndRefusesTheRest) {
    const struct {
        const char* name;
        std::string bytes;
        char32_t cp;
        size_t length;   // 0: not a character
    } cases[] = {
        {"ASCII", "A", U'A', 1},
        {"NUL", std::string(1, '\0'), 0, 1},
        {"two bytes", "\xC3\xA9", 0xE9, 2},
        {"lowest two bytes", "\xC2\x80", 0x80, 2},
        {"three bytes", "\xE2\x82\xAC", 0x20AC, 3},
        {"last before surrogates", "\xED\x9F\xBF", 0xD7FF, 3},
        {"U+FFFF", "\xEF\xBF\xBF", 0xFFFF, 3},
        {"four bytes", "\xF0\x9F\x98\x80", 0x1F600, 4},
        {"highest code point", "\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
        {"stray continuation", "\x80", 0, 0},
        {"overlong two bytes", "\xC0\xBC", 0, 0},
        {"overlong C1", "\xC1\xBF", 0, 0},
        {"overlong three bytes", "\xE0\x9F\xBF", 0, 0},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", 0, 0},
        {"surrogate half", "\xED\xA0\x80", 0, 0},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0, 0},
        {"lead byte F5", "\xF5\x80\x80\x80", 0, 0},
        {"cut short", "\xE2\x82", 0, 0},
        {"broken continuation", "\xE2\x41\xAC", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Utf8Char got = DecodeUtf8(c.bytes, 0);
        EXPECT_EQ(got.Length, c.length);
        if (c.length != 0) EXPECT_EQ(got.CodePoint, c.cp);
        // Validation and repair agree with the decoder: a refused lead byte is read as
        // Windows-1252, a character is kept byte for byte.
        const std::string text = "x" + c.bytes + "y";
        EXPECT_EQ(IsValidUtf8(text), c.length == c.bytes.size());
        const std::string repaired = ToValidUtf8(text);
        EXPECT_TRUE(IsValidUtf8(repaired));
        if (c.length == c.bytes.size()) EXPECT_EQ(repaired, text);
        // A character decodes the same anywhere in a text, also at its very end.
        EXPECT_EQ(DecodeUtf8("ab" + c.bytes, 2).Length, c.length);
    }
}
