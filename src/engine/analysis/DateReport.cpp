#include "engine/analysis/DateReport.h"

#include "engine/Analyser.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace trevix {

namespace {

constexpr std::array<int, 3> Blue{0, 0, 255};
constexpr std::array<int, 3> Green{0, 255, 0};

std::string HourLabel(int h) {
    std::string label = std::to_string(h);
    if (h < 10) label.insert(label.begin(), '0');
    return label;
}

// The date chart's rows: dates read in the locale's form, kept when strictly after
// 1 January 1800 and strictly before 31 December 2100, in date order. A date equal to the
// one before it is dropped; the first of equal dates in table order stays.
void FillDateChart(Analyser& a) {
    const AnalysisTables& t = a.Tables;
    const DateTime lowest = *DateTime::FromCivil(1800, 1, 1);
    const DateTime highest = *DateTime::FromCivil(2100, 12, 31);

    struct Dated {
        DateTime Value;
        uint32_t Row;
    };
    std::vector<Dated> dated;
    dated.reserve(t.DateVisitorCount());
    for (uint32_t i = 1; i <= t.DateVisitorCount(); ++i) {
        auto value = a.NumberFormat.ParseDateTime(t.DateVisitors[i].Date);
        if (value && *value > lowest && *value < highest) dated.push_back({*value, i});
    }
    std::stable_sort(dated.begin(), dated.end(), [](const Dated& x, const Dated& y) { return x.Value < y.Value; });

    ChartSeries& chart = a.Lists.DateChart;
    chart.Clear();
    chart.Values.resize(1);
    chart.Colours.push_back(Blue);
    std::optional<DateTime> previous;
    for (const Dated& d : dated) {
        if (previous && !(d.Value > *previous)) continue;
        previous = d.Value;
        chart.Labels.push_back(t.DateVisitors[d.Row].Date);
        chart.Values[0].push_back(t.DateVisitors[d.Row].Hits);
    }
}

} // namespace

void DisplayDateReport(Analyser& a, bool compare) {
    const AnalysisTables& t = a.Tables;

    // With no dates the chart keeps what it had (ClearLists leaves it without rows).
    if (t.DateVisitorCount() > 0) FillDateChart(a);

    ReportList& hits = a.Lists[lstHits];
    hits.Clear();
    for (uint32_t i = 1; i <= t.DateVisitorCount(); ++i) {
        size_t row = hits.AddRow(t.DateVisitors[i].Date);
        // The dates are kept as text; a list of days is small enough to read each once here.
        if (std::optional<DateTime> day = a.NumberFormat.ParseDateTime(t.DateVisitors[i].Date))
            hits.SetCell(row, 1, CellValue(t.DateVisitors[i].Date, static_cast<double>(day->Seconds())));
        hits.SetCell(row, 2, CellValue(std::to_string(t.DateVisitors[i].Hits), t.DateVisitors[i].Hits));
    }

    ChartSeries& chart = a.Lists.HourChart;
    chart.Clear();
    chart.Values.resize(compare ? 2 : 1);
    chart.Colours.push_back(Blue);
    if (compare) chart.Colours.push_back(Green);

    ReportList& hours = a.Lists[lstHour];
    if (!compare) hours.Clear();
    for (int h = 0; h <= 23; ++h) {
        const std::string label = HourLabel(h);
        if (!compare) {
            size_t row = hours.AddRow(label, "H" + label);
            hours.SetCell(row, 1, CellValue(label, h));
            hours.SetCell(row, 2, CellValue(std::to_string(t.HourVisitors[h]), t.HourVisitors[h]));
        } else {
            // Found by key: the rows may have been sorted since they were added.
            long row = hours.FindKey("H" + label);
            if (row >= 0)
                hours.SetCell(static_cast<size_t>(row), 3,
                              CellValue(std::to_string(t.HourVisitors[24 + h]), t.HourVisitors[24 + h]));
        }
        chart.Labels.push_back(label);
        chart.Values[0].push_back(t.HourVisitors[h]);
        if (compare) chart.Values[1].push_back(t.HourVisitors[24 + h]);
    }
}

void FillInZeroes(ReportList& list, int column, std::string_view text) {
    if (column < 1) return;
    for (size_t row = 0; row < list.RowCount(); ++row)
        if (list.Cell(row, static_cast<size_t>(column)).empty())
            list.SetCell(row, static_cast<size_t>(column), text);
}

} // namespace trevix
