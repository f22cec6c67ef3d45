#include "engine/Analyser.h"
#include "engine/analysis/DateReport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace trevix;

namespace {

std::vector<std::string> Column(const ReportList& list, size_t column) {
    std::vector<std::string> cells;
    for (size_t r = 0; r < list.RowCount(); ++r) cells.emplace_back(list.Cell(r, column));
    return cells;
}

const std::array<int, 3> Blue{0, 0, 255};
const std::array<int, 3> Green{0, 255, 0};

} // namespace

TEST(DateReport, DateListInTableOrderChartInDateOrder) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, int>> dates;   // DateVisitors in table order
        std::vector<std::string> chartLabels;
        std::vector<double> chartValues;
    };
    const Case cases[] = {
        {"a later file covering an earlier period",
         {{"12/10/2000", 5}, {"13/10/2000", 2}, {"10/10/2000", 7}, {"11/10/2000", 1}},
         {"10/10/2000", "11/10/2000", "12/10/2000", "13/10/2000"},
         {7, 1, 5, 2}},
        {"order by value, not by text",
         {{"02/01/2001", 1}, {"31/12/2000", 2}, {"01/02/2000", 3}},
         {"01/02/2000", "31/12/2000", "02/01/2001"},
         {3, 2, 1}},
        {"a repeated date keeps its first row only",
         {{"11/10/2000", 4}, {"10/10/2000", 3}, {"11/10/2000", 9}},
         {"10/10/2000", "11/10/2000"},
         {3, 4}},
        {"dates outside 1800..2100 and unreadable dates get no bar",
         {{"01/01/1800", 1}, {"02/01/1800", 2}, {"30/12/2100", 3}, {"31/12/2100", 4}, {"not a date", 5}},
         {"02/01/1800", "30/12/2100"},
         {2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analyser a;
        for (const auto& [date, hits] : c.dates) a.Tables.DateVisitors.push_back({date, hits});
        DisplayDateReport(a, false);

        const ReportList& hits = a.Lists[lstHits];
        std::vector<std::string> texts, counts;
        for (const auto& [date, n] : c.dates) {
            texts.push_back(date);
            counts.push_back(std::to_string(n));
        }
        EXPECT_EQ(Column(hits, 1), texts);
        EXPECT_EQ(Column(hits, 2), counts);
        for (const ListRow& row : hits.Rows) EXPECT_EQ(row.Key, "");

        const ChartSeries& chart = a.Lists.DateChart;
        EXPECT_EQ(chart.Labels, c.chartLabels);
        ASSERT_EQ(chart.Values.size(), 1u);
        EXPECT_EQ(chart.Values[0], c.chartValues);
        EXPECT_EQ(chart.Colours, (std::vector<std::array<int, 3>>{Blue}));
    }
}

TEST(DateReport, HourListAndChart) {
    Analyser a;
    a.Tables.HourVisitors[0] = 4;
    a.Tables.HourVisitors[7] = 12345;
    a.Tables.HourVisitors[23] = 1;
    DisplayDateReport(a, false);

    const ReportList& hours = a.Lists[lstHour];
    ASSERT_EQ(hours.RowCount(), 24u);
    EXPECT_EQ(hours.Rows[7].Key, "H07");
    EXPECT_EQ(hours.Cell(7, 1), "07");
    EXPECT_EQ(hours.Cell(7, 2), "12345");
    EXPECT_EQ(hours.Rows[0].Key, "H00");
    EXPECT_EQ(hours.Cell(0, 2), "4");
    EXPECT_EQ(hours.Rows[23].Key, "H23");
    EXPECT_EQ(hours.Cell(23, 1), "23");
    EXPECT_EQ(hours.Cell(12, 2), "0");
    const ChartSeries& chart = a.Lists.HourChart;
    ASSERT_EQ(chart.Labels.size(), 24u);
    EXPECT_EQ(chart.Labels[9], "09");
    EXPECT_EQ(chart.Labels[10], "10");
    ASSERT_EQ(chart.Values.size(), 1u);
    EXPECT_EQ(chart.Values[0][7], 12345);
    EXPECT_EQ(chart.Colours, (std::vector<std::array<int, 3>>{Blue}));

    // No visitors: the date list is empty and the chart keeps no bars.
    EXPECT_EQ(a.Lists[lstHits].RowCount(), 0u);
    EXPECT_TRUE(a.Lists.DateChart.Labels.empty());

    // Drawn again: rebuilt, not appended to.
    DisplayDateReport(a, false);
    EXPECT_EQ(hours.RowCount(), 24u);
}

TEST(DateReport, CompareWritesTheThirdColumnOfExistingRows) {
    Analyser a;
    a.Tables.HourVisitors[5] = 3;
    DisplayDateReport(a, false);
    // The list was sorted by visitors since: hour 05 is now the first row.
    ReportList& hours = a.Lists[lstHour];
    std::stable_sort(hours.Rows.begin(), hours.Rows.end(),
                     [](const ListRow& x, const ListRow& y) { return x.Cells[1] > y.Cells[1]; });
    a.Tables.HourVisitors[24 + 5] = 8;
    a.Tables.HourVisitors[24 + 0] = 2;
    DisplayDateReport(a, true);

    ASSERT_EQ(hours.RowCount(), 24u);
    EXPECT_EQ(hours.Cell(0, 1), "05");
    EXPECT_EQ(hours.Cell(0, 2), "3");
    EXPECT_EQ(hours.Cell(0, 3), "8");
    EXPECT_EQ(hours.Cell(static_cast<size_t>(hours.FindKey("H00")), 3), "2");
    EXPECT_EQ(hours.Cell(static_cast<size_t>(hours.FindKey("H13")), 3), "0");

    const ChartSeries& chart = a.Lists.HourChart;
    ASSERT_EQ(chart.Values.size(), 2u);
    EXPECT_EQ(chart.Values[0][5], 3);
    EXPECT_EQ(chart.Values[1][5], 8);
    EXPECT_EQ(chart.Values[1][0], 2);
    EXPECT_EQ(chart.Colours, (std::vector<std::array<int, 3>>{Blue, Green}));
}

TEST(DateReport, FillInZeroesOnlyTouchesEmptyCells) {
    ReportList list("lstHour", {{"Hour"}, {"Visitors"}, {"Compare"}});
    list.AddRow("00");
    list.SetCell(0, 3, "7");
    list.AddRow("01");
    list.AddRow("02");
    list.SetCell(2, 3, "");
    list.SetCell(2, 4, "x");
    list.AddRow("03");
    list.SetCell(3, 3, "0");
    FillInZeroes(list, 3, "0");
    EXPECT_EQ(Column(list, 3), (std::vector<std::string>{"7", "0", "0", "0"}));
    EXPECT_EQ(Column(list, 2), (std::vector<std::string>{"", "", "", ""}));
    EXPECT_EQ(list.Cell(2, 4), "x");
}
