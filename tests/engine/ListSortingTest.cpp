#include "engine/Analyser.h"
#include "engine/ListSorting.h"

#include <gtest/gtest.h>

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
    for (const ListRow& row : list.Rows) out.push_back(row.Cells[0]);
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
    for (const ListRow& row : list.Rows) seconds.push_back(row.Cells[1]);
    EXPECT_EQ(seconds, (std::vector<std::string>{"5", "2", "1", "6", "7", "4", "3"}));
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
        ApplySortSettings(a);
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
    a.ReportShown = true;
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
    SetColumnWidths(a);
    EXPECT_EQ(a.Lists[lstFiles].Columns[4].Width, 1440);
    EXPECT_EQ(a.Lists[lstSearchEngines].Columns[1].Width, 1440);
    // Nothing stored: the window fits report columns to their rows; the site list is its own.
    EXPECT_TRUE(a.Lists[lstFiles].Columns[4].FitToContents);
    EXPECT_FALSE(a.Lists[lstSites].Columns[0].FitToContents);

    store.Values[{"Window", "List2Width5"}] = "2000";
    store.Values[{"Window", "List3Width1"}] = "wide";
    SetColumnWidths(a);
    EXPECT_EQ(a.Lists[lstFiles].Columns[4].Width, 2000);
    EXPECT_EQ(a.Lists[lstReferrers].Columns[0].Width, 0);
    EXPECT_FALSE(a.Lists[lstFiles].Columns[4].FitToContents);
    EXPECT_FALSE(a.Lists[lstReferrers].Columns[0].FitToContents);

    a.Lists[lstErrors].Columns[6].Width = 1234;
    a.Lists[lstErrors].Columns[6].FitToContents = false;   // as the window does once it sized it
    SaveColumnWidths(a);
    EXPECT_EQ(store.GetSetting("Window", "List11Width7", ""), "1234");
    EXPECT_EQ(store.GetSetting("Window", "List2Width5", ""), "2000");
    EXPECT_EQ(store.GetSetting("Window", "List15Width1", ""), "1440");
    // A column never sized stores nothing, so the next start still sizes it to its rows.
    EXPECT_EQ(store.GetSetting("Window", "List16Width2", ""), "");
}

} // namespace
} // namespace trevix
