#include "engine/base/MultiMatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace trevix {
namespace {

using Patterns = std::vector<std::pair<std::string, uint32_t>>;
constexpr uint32_t None = MultiMatch::None;

MultiMatch Built(const Patterns& patterns, MultiMatch::Letters letters) {
    std::vector<std::pair<std::string_view, uint32_t>> views(patterns.begin(), patterns.end());
    MultiMatch m;
    m.Build(views, letters);
    return m;
}

// What the automaton must answer, one pattern at a time, on the text as read.
struct Plain {
    const Patterns& patterns;
    MultiMatch::Letters letters;

    std::string Read(std::string_view text) const {
        std::string s(text);
        if (letters == MultiMatch::Letters::LowerText)
            for (char& c : s)
                if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return s;
    }
    template <class Test> std::vector<uint32_t> Numbers(Test test) const {
        std::vector<uint32_t> found;
        for (const auto& [p, n] : patterns)
            if (test(p)) found.push_back(n);
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        return found;
    }
};

// Every query against the plain answers, on one text.
void ExpectSame(const MultiMatch& m, const Plain& plain, std::string_view text) {
    const std::string read = plain.Read(text);
    const std::vector<uint32_t> all = plain.Numbers([&](const std::string& p) { return read.find(p) != std::string::npos; });
    const std::vector<uint32_t> equal = plain.Numbers([&](const std::string& p) { return read == p; });
    std::vector<uint32_t> found{12345};
    m.AllIn(text, found);
    ASSERT_EQ(found, all) << "text: " << text;
    EXPECT_EQ(m.FoundIn(text), !all.empty()) << text;
    EXPECT_EQ(m.LowestIn(text), all.empty() ? None : all.front()) << text;
    EXPECT_EQ(m.LowestEqualTo(text), equal.empty() ? None : equal.front()) << text;
    // Every position of a short text, some of a long one, and the end.
    const size_t step = text.size() <= 16 ? 1 : 7;
    for (size_t at = 0; at <= text.size(); at = at == text.size() ? at + 1 : std::min(at + step, text.size())) {
        std::vector<uint32_t> starting;
        m.StartingAt(text, at, [&](uint32_t n) { starting.push_back(n); });
        std::sort(starting.begin(), starting.end());
        starting.erase(std::unique(starting.begin(), starting.end()), starting.end());
        ASSERT_EQ(starting, plain.Numbers([&](const std::string& p) { return read.compare(at, p.size(), p) == 0; }))
            << "text: " << text << " at " << at;
    }
}

TEST(MultiMatch, AnswersAsThePatternsOneByOne) {
    using L = MultiMatch::Letters;
    struct Case {
        const char* name;
        Patterns patterns;
        L letters;
        std::vector<std::string> texts;
        std::vector<uint32_t> allInFirst;   // AllIn of the first text
    };
    const std::vector<Case> cases = {
        {"overlapping", {{"he", 1}, {"she", 2}, {"his", 3}, {"hers", 4}}, L::Exact,
         {"ushers", "his", "sh", "hehishers", ""}, {1, 2, 4}},
        {"one inside another", {{"abcd", 1}, {"bc", 2}, {"c", 3}}, L::Exact,
         {"xabcx", "abcd", "abd", "bcabc"}, {2, 3}},
        {"at the very end", {{"end", 4}, {"nd", 9}, {"d", 7}}, L::Exact, {"the end", "en", "d"}, {4, 7, 9}},
        {"failure into a shorter prefix", {{"aab", 1}, {"ab", 2}, {"abab", 3}}, L::Exact,
         {"aaab", "aabab", "abaab"}, {1, 2}},
        {"letter case counts", {{"Bot", 1}, {"bot", 2}}, L::Exact, {"RoBot", "robot", "BOT"}, {1}},
        {"text lowered, capitals never match", {{"bot", 1}, {"Bot", 2}, {"://www.google.", 3}}, L::LowerText,
         {"RoBOT", "HTTP://WWW.Google.DE/", "Bot"}, {1}},
        {"one text under several numbers", {{"sid=", 5}, {"sid=", 3}, {"id=", 4}}, L::Exact,
         {"?sid=1", "?id=1"}, {3, 4, 5}},
        {"the empty pattern is everywhere", {{"", 7}, {"x", 2}}, L::Exact, {"", "x", "yx"}, {7}},
        {"no patterns", {}, L::Exact, {"", "anything"}, {}},
        {"empty text", {{"a", 1}}, L::Exact, {"", "a"}, {}},
        {"bytes beyond ASCII and NUL", {{"\xC3\xA9t\xC3\xA9", 1}, {std::string("a\0b", 3), 2}}, L::LowerText,
         {"\xC3\x89T\xC3\x89 \xC3\xA9T\xC3\xA9", std::string("xA\0B", 4)}, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MultiMatch m = Built(c.patterns, c.letters);
        const Plain plain{c.patterns, c.letters};
        std::vector<uint32_t> found;
        m.AllIn(c.texts.front(), found);
        EXPECT_EQ(found, c.allInFirst);
        for (const std::string& text : c.texts)
            ExpectSame(m, plain, text);
    }
}

// A list loaded again or changed between runs builds over the old automaton, which may keep
// itself only when nothing of the patterns changed.
TEST(MultiMatch, ABuildOverAnotherAnswersForTheNewPatterns) {
    using L = MultiMatch::Letters;
    const Patterns first = {{"bot", 1}, {"Crawl", 2}, {"ab", 3}};
    struct Case {
        const char* name;
        Patterns patterns;
        L letters;
    };
    const std::vector<Case> cases = {
        {"the same", first, L::Exact},
        {"other numbers", {{"bot", 2}, {"Crawl", 1}, {"ab", 3}}, L::Exact},
        {"text lowered", first, L::LowerText},
        {"a pattern shorter", {{"bo", 1}, {"Crawl", 2}, {"ab", 3}}, L::Exact},
        {"the same ends, split elsewhere", {{"botC", 1}, {"rawl", 2}, {"ab", 3}}, L::Exact},
        {"one more", {{"bot", 1}, {"Crawl", 2}, {"ab", 3}, {"x", 4}}, L::Exact},
        {"none", {}, L::Exact},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MultiMatch m = Built(first, L::Exact);
        std::vector<std::pair<std::string_view, uint32_t>> views(c.patterns.begin(), c.patterns.end());
        m.Build(views, c.letters);
        const Plain plain{c.patterns, c.letters};
        for (const char* text : {"robot", "ROBOT", "Crawler", "crawl", "botCrawl", "abx", "bo"})
            ExpectSame(m, plain, text);
    }
}

// Random lists, small alphabets for many overlaps, and a list large enough that most states
// keep only their children and the walk follows failures through them.
TEST(MultiMatch, RandomListsAnswerAsThePlainSearch) {
    struct Case {
        const char* name;
        int patterns;
        int longest;
        std::string alphabet;
        MultiMatch::Letters letters;
    };
    std::string wide;
    for (int c = 32; c < 127; ++c)
        wide.push_back(static_cast<char>(c));
    const std::vector<Case> cases = {
        {"two letters", 12, 5, "ab", MultiMatch::Letters::Exact},
        {"four letters, lowered", 40, 6, "abAB", MultiMatch::Letters::LowerText},
        {"deep and wide", 2500, 14, wide, MultiMatch::Letters::Exact},
        {"deep and wide, lowered", 2500, 14, wide, MultiMatch::Letters::LowerText},
    };
    std::mt19937 random(20240611);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto word = [&](int longest) {
            std::string w(std::uniform_int_distribution<int>(1, longest)(random), ' ');
            for (char& ch : w)
                ch = c.alphabet[std::uniform_int_distribution<size_t>(0, c.alphabet.size() - 1)(random)];
            return w;
        };
        Patterns patterns;
        for (int i = 0; i < c.patterns; ++i)
            patterns.emplace_back(word(c.longest), std::uniform_int_distribution<uint32_t>(1, 5000)(random));
        const MultiMatch m = Built(patterns, c.letters);
        if (c.patterns > 1000) EXPECT_LT(m.Bytes(), 4u << 20);
        const Plain plain{patterns, c.letters};
        for (int t = 0; t < 300; ++t) {
            // Texts made of pieces of patterns and random letters find matches often.
            std::string text;
            while (text.size() < 60) {
                if (random() % 2 != 0)
                    text += patterns[random() % patterns.size()].first;
                else
                    text += word(4);
            }
            ExpectSame(m, plain, text);
            ExpectSame(m, plain, patterns[random() % patterns.size()].first);
        }
    }
}

} // namespace
} // namespace trevix
