#include "engine/Analyser.h"
#include "engine/lists/ListSorting.h"
#include "engine/SortSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace trevix {
namespace {

class MapStore : public SettingsStore {
public:
    std::map<std::pair<std::string, std::string>, std::string> Values;
    std::string GetSetting(std::string_view s, std::string_view k, std::string_view d) const override {
        auto it = Values.find({std::string(s), std::string(k)});
        return it == Values.end() ? std::string(d) : it->second;
    }
    void SaveSetting(std::string_view s, std::string_view k, std::string_view v) override {
        Values[{std::string(s), std::string(k)}] = v;
    }
    void DeleteSetting(std::string_view, std::string_view) override {}
    void DeleteSection(std::string_view) override {}
};

// Rows given as {first cell, second cell, ...}; the result is the first cells in list order.
void Fill(ReportList& list, const std::vector<std::vector<std::string>>& rows) {
    for (const auto& cells : rows) {
        size_t r = list.AddRow(cells[0]);
        for (size_t c = 1; c < cells.size(); ++c) list.SetCell(r, c + 1, cells[c]);
    }
}
std::vector<std::string> Names(const ReportList& list) {
    std::vector<std::string> out;
    for (const ListRow& row : list.Rows) out.emplace_back(row.Cells[0]);
    return out;
}

TEST(ListSorting, ColumnClicksChooseOrder) {
    struct Case { std::vector<int> Clicks; int Order; bool Sorted; std::vector<std::string> Expected; };
    const Case cases[] = {
        {{2}, 1, false, {"Gamma", "Alpha", "alpha", "beta"}},      // new number column: descending
        {{2, 2}, 0, false, {"beta", "alpha", "Alpha", "Gamma"}},   // same column again flips
        {{1}, 1, true, {"Gamma", "beta", "alpha", "Alpha"}},       // fresh list, key 0: flips to descending
        {{1, 1}, 0, true, {"Alpha", "alpha", "beta", "Gamma"}},
        {{3}, 0, false, {"Alpha", "Gamma", "alpha", "beta"}},      // new date column: ascending, empty first
        {{3, 3}, 1, false, {"beta", "alpha", "Gamma", "Alpha"}},
        {{3, 1}, 0, true, {"Alpha", "alpha", "beta", "Gamma"}},    // new text column: ascending
    };
    for (const Case& c : cases) {
        ReportList list("lstTest", {{"Name", SortType::Text}, {"Visitors", SortType::Number},
                                    {"When", SortType::Date}});
        Fill(list, {{"beta", "5", "02/01/2024"}, {"Alpha", "1,234", ""},
                    {"alpha", "999", "01/01/2024 10:00:00"}, {"Gamma", "New", "01/01/2024"}});
        int order = -1;
        for (int column : c.Clicks) {
            order = -1;
            SortList(list, column, order, Locale::Fixed());
        }
        EXPECT_EQ(order, c.Order) << c.Clicks.size();
        EXPECT_EQ(list.SortOrder, c.Order);
        EXPECT_EQ(list.SortKey, c.Clicks.back() - 1);
        EXPECT_EQ(list.Sorted, c.Sorted);
        EXPECT_EQ(Names(list), c.Expected) << "clicks end on " << c.Clicks.back();
    }
}

// Time Spent is a text column in the report files, but "10d" is longer than "9d" and a
// negative time comes first: its rows go by their seconds.
TEST(ListSorting, DurationsSortBySeconds) {
    struct Case { std::vector<std::string> Cells; int Order; std::vector<std::string> Expected; };
    const Case cases[] = {
        {{"10d 00:00:00", "9d 23:59:59", "0d 00:12:40", "-0d 00:00:27", "0d 02:00:00"}, 0,
         {"-0d 00:00:27", "0d 00:12:40", "0d 02:00:00", "9d 23:59:59", "10d 00:00:00"}},
        {{"0d 00:00:05", "1 days 00:00:00", "23:00:00"}, 1, {"1 days 00:00:00", "23:00:00", "0d 00:00:05"}},
        // A cell that is no duration: the column sorts as text.
        {{"0d 00:00:05", "later", "10d 00:00:00"}, 0, {"0d 00:00:05", "10d 00:00:00", "later"}},
    };
    for (const Case& c : cases) {
        ReportLists lists;
        ReportList& list = lists[lstIPs];
        for (const std::string& cell : c.Cells) list.SetCell(list.AddRow(cell), 8, cell);
        int order = c.Order;
        SortList(list, 8, order, Locale::Fixed());
        EXPECT_EQ(Names(list), c.Expected);
        EXPECT_EQ(list.Columns[7].Type, SortType::Text);
    }
}

TEST(ListSorting, ValuesOfCells) {
    struct Case { SortType Type; int Order; std::vector<std::string> Cells, Expected; };
    const Case cases[] = {
        {SortType::Number, 1, {"- 20.00", "New", "  0.00", "+ 25.00", "- 100.00"},
         {"New", "+ 25.00", "  0.00", "- 20.00", "- 100.00"}},
        {SortType::Number, 1, {"999", "1,234", "12", "1,234.50"}, {"1,234.50", "1,234", "999", "12"}},
        {SortType::Number, 0, {"3", "", "-1", "0"}, {"-1", "", "0", "3"}},   // equal values keep their order
        {SortType::Number, 1, {"3", "n/a", "1"}, {"3", "n/a", "1"}},          // unreadable: untouched
        {SortType::Date, 0, {"02/01/2024", "01/01/2024 00:00:01", "", "01/01/2024", "31/12/1969 23:59:59"},
         {"", "31/12/1969 23:59:59", "01/01/2024", "01/01/2024 00:00:01", "02/01/2024"}},
        {SortType::Date, 0, {"02/01/2024", "10/Oct/2000:13:55:36"}, {"02/01/2024", "10/Oct/2000:13:55:36"}},
    };
    for (const Case& c : cases) {
        ReportList list("lstTest", {{"Label", SortType::Text}, {"Value", c.Type}});
        for (const std::string& cell : c.Cells) Fill(list, {{cell, cell}});
        list.Sorted = true;
        SortByValues(list, 1, c.Type, c.Order, Locale::Fixed());
        EXPECT_EQ(Names(list), c.Expected);
        EXPECT_EQ(list.SortKey, 1);
        EXPECT_EQ(list.SortOrder, c.Order);
        EXPECT_FALSE(list.Sorted);
    }
}

TEST(ListSorting, TextOrderIgnoresCaseFirstAndIsStable) {
    ReportList list("lstTest", {{"Name", SortType::Text}, {"Other", SortType::Text}});
    Fill(list, {{"b", "1"}, {"B", "2"}, {"Äb", "3"}, {"äa", "4"}, {"a", "5"}, {"b", "6"}, {"Z", "7"}});
    int order = 0;
    SortList(list, 1, order, Locale::Fixed());
    std::vector<std::string> seconds;
    for (const ListRow& row : list.Rows) seconds.emplace_back(row.Cells[1]);
    EXPECT_EQ(seconds, (std::vector<std::string>{"5", "2", "1", "6", "7", "4", "3"}));
}

// Text order: letter case folded first (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic),
// then the exact text; characters of one to four bytes and stray bytes (read as the code point
// of their value) all in code point order; a text before any longer one it begins.
TEST(ListSorting, TextOrderAcrossScriptsAndStrayBytes) {
    using Texts = std::vector<std::string>;
    const struct {
        const char* Name;
        Texts Given, Ascending;
    } cases[] = {
        {"case first, then exact", {"b", "B", "a", "A", "ab", "Ab", "a", ""}, {"", "A", "a", "a", "Ab", "ab", "B", "b"}},
        {"lengths of characters and stray bytes",
         {"\xC3\xA9", "z", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xC3\x89", "\xFF", "\xC3\xBF", "\xC0", "\xC3\xA0", "\xC5\xB8"},
         {"z", "\xC0", "\xC3\xA0", "\xC3\x89", "\xC3\xA9", "\xC3\xBF", "\xC5\xB8", "\xFF", "\xE4\xB8\xAD", "\xF0\x9F\x98\x80"}},
        {"Greek, Cyrillic, Latin Extended-A",
         {"\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1", "\xCF\x83\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91", "\xCE\xA9",
          "\xD0\x96\xD1\x83\xD0\xBA", "\xD0\xB6\xD1\x83\xD0\xBA", "\xD0\x81\xD0\xB6", "\xD1\x91\xD0\xB6",
          "\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x82\xC3\xB3" "d\xC5\xBA", "L"},
         {"L", "\xC5\x81\xC3\xB3" "d\xC5\xBA", "\xC5\x82\xC3\xB3" "d\xC5\xBA", "\xCF\x83\xCE\x9F\xCE\xA6\xCE\x8A\xCE\x91",
          "\xCE\xA3\xCE\xBF\xCF\x86\xCE\xAF\xCE\xB1", "\xCE\xA9", "\xD0\x96\xD1\x83\xD0\xBA", "\xD0\xB6\xD1\x83\xD0\xBA",
          "\xD0\x81\xD0\xB6", "\xD1\x91\xD0\xB6"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        for (int order : {0, 1}) {
            ReportList list("lstTest", {{"Name", SortType::Text}});
            for (const std::string& text : c.Given) list.AddRow(text);
            int chosen = order;
            SortList(list, 1, chosen, Locale::Fixed());
            Texts expected = c.Ascending;
            // Descending reverses the order; equal texts are alike, so their order cannot show.
            if (order == 1) std::reverse(expected.begin(), expected.end());
            EXPECT_EQ(Names(list), expected);
        }
    }
}

TEST(ListSorting, SavedSortSettingsApplyAsStored) {
    struct Case { const char* Key; const char* Dir; int SortKey, SortOrder; std::vector<std::string> Expected; };
    const std::vector<std::string> unchanged = {"b.htm", "a.htm", "c.htm"};
    const Case cases[] = {
        {"1", "1", 1, 1, {"a.htm", "c.htm", "b.htm"}},
        {"1", "0", 1, 0, {"b.htm", "c.htm", "a.htm"}},
        {"0", "0", 0, 0, {"a.htm", "b.htm", "c.htm"}},   // same column as the fresh list's: not flipped
        {" 2.4", "1", 2, 1, {"c.htm", "b.htm", "a.htm"}},
        {"X", "1", 0, 0, unchanged},
        {"1", "X", 0, 0, unchanged},
        {nullptr, nullptr, 0, 0, unchanged},
        {"1", "7", 1, 0, {"b.htm", "c.htm", "a.htm"}},     // neither 0 nor 1: ascending
        {"abc", "?", 0, 0, {"a.htm", "b.htm", "c.htm"}},  // damaged: first column ascending
        {"99", "1", 0, 0, unchanged},                    // no such column
    };
    for (const Case& c : cases) {
        MapStore store;
        if (c.Key) store.Values = {{{"Sort", "List2Key"}, c.Key}, {{"Sort", "List2Dir"}, c.Dir},
                                   {{"Sort", "List15Key"}, "0"}, {{"Sort", "List15Dir"}, "1"}};
        Analyser a;
        a.Store = &store;
        Fill(a.Lists[lstFiles], {{"b.htm", "1", "20"}, {"a.htm", "9", "10"}, {"c.htm", "2", "30"}});
        Fill(a.Lists[lstSites], {{"one"}, {"two"}});
        ApplySortSettings(a.Lists, a.Store, a.NumberFormat);
        EXPECT_EQ(Names(a.Lists[lstFiles]), c.Expected) << (c.Key ? c.Key : "absent");
        EXPECT_EQ(a.Lists[lstFiles].SortKey, c.SortKey);
        EXPECT_EQ(a.Lists[lstFiles].SortOrder, c.SortOrder);
        EXPECT_EQ(Names(a.Lists[lstSites]), (std::vector<std::string>{"one", "two"}));
    }
}

TEST(ListSorting, SortSettingsSavedOnlyAfterAReport) {
    MapStore store;
    Analyser a;
    a.Store = &store;
    a.Lists[lstFiles].SortKey = 4;
    a.Lists[lstFiles].SortOrder = 1;
    a.ClearLists();
    EXPECT_TRUE(store.Values.empty());
    a.Lists.State.Shown = true;
    a.ClearLists();
    EXPECT_EQ(store.Values.size(), 32u);   // lists 1 to 16, the site list too
    EXPECT_EQ(store.GetSetting("Sort", "List2Key", ""), "4");
    EXPECT_EQ(store.GetSetting("Sort", "List2Dir", ""), "1");
    EXPECT_EQ(store.GetSetting("Sort", "List15Key", ""), "0");
}

TEST(ListSorting, ColumnWidths) {
    MapStore store;
    Analyser a;
    a.Store = &store;
    a.Lists[lstFiles].Columns[4].Width = 77;
    SetColumnWidths(a.Lists, a.Store);
    EXPECT_EQ(a.Lists[lstFiles].Columns[4].Width, 1440);
    EXPECT_EQ(a.Lists[lstSearchEngines].Columns[1].Width, 1440);
    // Nothing stored: the window fits report columns to their rows; the site list is its own.
    EXPECT_TRUE(a.Lists[lstFiles].Columns[4].FitToContents);
    EXPECT_FALSE(a.Lists[lstSites].Columns[0].FitToContents);

    store.Values[{"Window", "List2Width5"}] = "2000";
    store.Values[{"Window", "List3Width1"}] = "wide";
    SetColumnWidths(a.Lists, a.Store);
    EXPECT_EQ(a.Lists[lstFiles].Columns[4].Width, 2000);
    EXPECT_EQ(a.Lists[lstReferrers].Columns[0].Width, 0);
    EXPECT_FALSE(a.Lists[lstFiles].Columns[4].FitToContents);
    EXPECT_FALSE(a.Lists[lstReferrers].Columns[0].FitToContents);

    a.Lists[lstErrors].Columns[6].Width = 1234;
    a.Lists[lstErrors].Columns[6].FitToContents = false;   // as the window does once it sized it
    SaveColumnWidths(a.Lists, a.Store);
    EXPECT_EQ(store.GetSetting("Window", "List11Width7", ""), "1234");
    EXPECT_EQ(store.GetSetting("Window", "List2Width5", ""), "2000");
    EXPECT_EQ(store.GetSetting("Window", "List15Width1", ""), "1440");
    // A column never sized stores nothing, so the next start still sizes it to its rows.
    EXPECT_EQ(store.GetSetting("Window", "List16Width2", ""), "");
}


// Written reports put a list's rows in its chosen order, else its busiest rows first; the
// list itself (what the window and the XML report show) keeps its order.
TEST(ListSorting, ExportOrderFollowsTheChosenSortElseTheCountsLargestFirst) {
    struct Case {
        const char* Name;
        std::vector<ListColumn> Columns;
        std::vector<std::vector<std::string>> Rows;
        int ChosenColumn;   // 1-based column sorted by choice first; 0: none
        std::vector<std::string> Expected;
    };
    const std::vector<ListColumn> files = {{"File", SortType::Text}, {"Total Requests", SortType::Number},
                                           {"Gets", SortType::Number}};
    const Case cases[] = {
        {"first count column, largest first, ties as seen", files,
         {{"/a", "4", "9"}, {"/b", "1,804", "1"}, {"/c", "6", "0"}, {"/d", "4", "8"}, {"/e", "", "7"}}, 0,
         {"/b", "/c", "/a", "/d", "/e"}},
        {"a chosen sort is kept", files, {{"/b", "1", "0"}, {"/a", "5", "0"}, {"/c", "3", "0"}}, 1,
         {"/a", "/b", "/c"}},
        {"a count that is not a number keeps the order", files, {{"/a", "1", "0"}, {"/b", "x", "0"}, {"/c", "3", "0"}},
         0, {"/a", "/b", "/c"}},
        {"counts after text columns", {{"Referring URL", SortType::Text}, {"To File", SortType::Text},
                                       {"Visitors", SortType::Number}},
         {{"http://a/", "/", "2"}, {"http://b/", "/", "30"}}, 0, {"http://b/", "http://a/"}},
        {"dates keep their time order", {{"Date", SortType::Date}, {"Visitors", SortType::Number}},
         {{"01/10/2026", "1"}, {"02/10/2026", "5"}}, 0, {"01/10/2026", "02/10/2026"}},
        {"hours keep their time order", {{"Hour", SortType::Number}, {"Visitors", SortType::Number}},
         {{"00", "1"}, {"01", "5"}}, 0, {"00", "01"}},
        {"no count column", {{"Site", SortType::Text}, {"Domain", SortType::Text}}, {{"b", "x"}, {"a", "y"}}, 0,
         {"b", "a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ReportList list("lstTest", c.Columns);
        Fill(list, c.Rows);
        if (c.ChosenColumn > 0) {
            int order = 0;
            SortList(list, c.ChosenColumn, order, Locale::Fixed());
        }
        const std::vector<std::string> before = Names(list);
        std::vector<std::string> written;
        for (size_t r : ExportRowOrder(list, Locale::Fixed())) written.emplace_back(list.Rows[r].Cells[0]);
        EXPECT_EQ(written, c.Expected);
        EXPECT_EQ(Names(list), before);
    }
}

} // namespace
} // namespace trevix
