#include "config/DataFileReaders.h"

#include <gtest/gtest.h>

namespace trevix {
namespace {

using Items = std::vector<std::string>;

TEST(DataFileReaders, DelimitedItems) {
    struct Case {
        const char* text;
        Items items;
    } cases[] = {
        {"a,b,c", {"a", "b", "c"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb", {"a", "b"}},
        {"  a,   b", {"a", "b"}},
        {"a ,b ", {"a ", "b "}},
        {"\"x, y\",z", {"x, y", "z"}},
        {"  \"q\"  ,r", {"q", "r"}},
        {"\"q\"tail,r", {"q", "r"}},
        {"\"\",r", {"", "r"}},
        {"a,,b", {"a", "", "b"}},
        {",a", {"", "a"}},
        {"a,\nb", {"a", "b"}},
        {"a,\r\n\r\nb,", {"a", "b"}},
        {"\n\n  \n", {}},
        {"", {}},
        {"\"open\nb", {"open", "b"}},
        {"Google,google.,q\nYahoo,search.yahoo.,p\n",
         {"Google", "google.", "q", "Yahoo", "search.yahoo.", "p"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadDelimitedItems(c.text), c.items) << testing::PrintToString(c.text);
}

TEST(DataFileReaders, WholeLines) {
    struct Case {
        const char* text;
        std::vector<std::string_view> lines;
    } cases[] = {
        {"a\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\n\n\nb\n", {"a", "b"}},
        {"  \n a, b \n", {" a, b "}},
        {"x\r\r\ny", {"x", "y"}},
        {"Opera ,Opera \n", {"Opera ,Opera "}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadWholeLines(c.text), c.lines) << testing::PrintToString(c.text);
}

TEST(DataFileReaders, CsvPieces) {
    EXPECT_EQ(SplitCsvLine("a,b"), (std::vector<std::string_view>{"a", "b"}));
    EXPECT_EQ(SplitCsvLine("a, b ,"), (std::vector<std::string_view>{"a", " b ", ""}));
    EXPECT_EQ(SplitCsvLine(""), (std::vector<std::string_view>{""}));
    EXPECT_EQ(SplitCsvLine("\"x\",\"y\""), (std::vector<std::string_view>{"\"x\"", "\"y\""}));
}

TEST(DataFileReaders, TextIsMadeValidUtf8) {
    EXPECT_EQ(NormaliseDataText("\xEF\xBB\xBF"
                                "ad,Andorra"),
              "ad,Andorra");
    EXPECT_EQ(NormaliseDataText("ci,C\xC3\xB4te"), "ci,C\xC3\xB4te");
    EXPECT_EQ(NormaliseDataText("ci,C\xF4te"), "ci,C\xC3\xB4te");
}

} // namespace
} // namespace trevix
