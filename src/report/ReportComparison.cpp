#include "ReportComparison.h"

#include "engine/Analyser.h"
#include "engine/base/Locale.h"
#include "engine/lists/ReportLists.h"
#include "engine/SortSettings.h"

#include <initializer_list>
#include <optional>
#include <utility>

namespace trevix {

namespace {

struct CompareColumns {
    int List;
    std::initializer_list<const char*> Titles;
};

// In the order the columns are added; each list's own columns come first.
const CompareColumns ColumnsToAdd[] = {
    {lstHour, {"Compare", "% Change"}},
    {lstReferrers, {"Compare", "% Change"}},
    {lstSearchEngines, {"Compare", "% Change"}},
    {lstSearchTerms, {"Compare", "% Change"}},
    {lstBrowsers, {"Compare", "% Change"}},
    {lstWebBrowser, {"Compare", "% Change"}},
    {lstOS, {"Compare", "% Change"}},
    {lstFiles,
     {"Compare Requests", "Compare Gets", "Compare Bandwidth", "% Change Requests", "% Change Gets",
      "% Change Bandwidth"}},
    {lstCountries, {"Compare Visitors", "Compare Percentage", "% Change Visitors"}},
    {lstErrors, {"Compare", "% Change"}},
    {lstConversions0, {"Compare Visitors", "Compare Conversions", "Compare % Conversions"}},
    {lstConversions1, {"Compare Visitors", "Compare Conversions", "Compare % Conversions"}},
    {lstConversions2, {"Compare Visitors", "Compare Conversions", "Compare % Conversions"}},
};

} // namespace

void SetUpCompareReport(Analyser& a) {
    if (a.Lists.State.CompareColumnsLoaded) return;
    // The own columns keep the widths they have now; the new ones are read back below.
    SaveColumnWidths(a.Lists, a.Store);
    for (const CompareColumns& c : ColumnsToAdd) {
        ReportList& list = a.Lists[c.List];
        for (const char* title : c.Titles) list.Columns.push_back({title, SortType::Number, 1440});
    }
    SetColumnWidths(a.Lists, a.Store);
    a.Lists.State.CompareColumnsLoaded = true;
}

int CompareColumnCount(int listNum) {
    for (const CompareColumns& c : ColumnsToAdd)
        if (c.List == listNum) return static_cast<int>(c.Titles.size());
    return 0;
}

static CellValue PercentChangeCell(double a, double b, const Locale& locale) {
    if (b == 0) return a != 0 ? CellValue("New", 999999) : CellValue("  0.00", 0.0);
    std::string text = PercentChange(a, b, locale);
    // Rounded to two places as written: the number is read from the text it goes with.
    const std::optional<double> shown = locale.ParseNumber(text);
    return {std::move(text), shown.value_or(kNoNumber)};
}

std::string PercentChange(double a, double b, const Locale& locale) {
    if (b == 0) return a != 0 ? "New" : "  0.00";
    return locale.FormatNumber((a - b) / b * 100.0, "+ 0.00;- 0.00;  0.00");
}

void PopulatePercentChange(ReportList& list, int column1, int column2, int displayColumn, const Locale& locale) {
    if (column1 < 1 || column2 < 1 || displayColumn < 1) return;
    auto read = [&](size_t row, int column) {
        const double carried = list.CellNumber(row, static_cast<size_t>(column));
        if (HasNumber(carried)) return carried;
        return locale.ParseNumber(list.Cell(row, static_cast<size_t>(column))).value_or(0.0);
    };
    for (size_t row = 0; row < list.RowCount(); ++row)
        list.SetCell(row, static_cast<size_t>(displayColumn),
                     PercentChangeCell(read(row, column1), read(row, column2), locale));
}

} // namespace trevix
