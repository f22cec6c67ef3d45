#include "engine/lists/ReportLists.h"

#include <algorithm>
#include <utility>

namespace trevix {

ReportList::ReportList(std::string name, std::vector<ListColumn> columns)
    : Name(std::move(name)), Columns(std::move(columns)) {}

size_t ReportList::AddRow(std::string_view text, std::string key) {
    ListRow row;
    // Room for the other cells' ends; their texts grow the block as they come.
    row.Cells.reserve(std::max<size_t>(Columns.size(), 1), text.size() + 8 * Columns.size());
    row.Cells.push_back(text);
    row.Key = std::move(key);
    row.ItemData = nextItem_++;
    Rows.push_back(std::move(row));
    return Rows.size() - 1;
}

size_t ReportList::AddRowOf(std::initializer_list<CellRef> cells, std::string key) {
    return AddRowOf(cells.begin(), cells.size(), std::move(key));
}

size_t ReportList::AddRowOf(const CellRef* cells, size_t count, std::string key) {
    ListRow row;
    size_t bytes = 0;
    bool numbers = false;
    for (size_t c = 0; c < count; ++c) {
        bytes += cells[c].Text.size();
        numbers = numbers || HasNumber(cells[c].Number);
    }
    row.Cells.reserve(count, bytes, numbers);
    for (size_t c = 0; c < count; ++c) row.Cells.push_back(cells[c].Text);
    if (numbers)
        for (size_t c = 0; c < count; ++c) row.Cells.SetNumber(c, cells[c].Number);
    row.Key = std::move(key);
    row.ItemData = nextItem_++;
    Rows.push_back(std::move(row));
    return Rows.size() - 1;
}

std::string_view ReportList::Cell(size_t row, size_t column) const {
    if (row >= Rows.size() || column == 0) return {};
    const CellTexts& cells = Rows[row].Cells;
    return column <= cells.size() ? cells[column - 1] : std::string_view();
}

void ReportList::SetCell(size_t row, size_t column, CellRef cell) {
    if (row >= Rows.size() || column == 0) return;
    CellTexts& cells = Rows[row].Cells;
    if (cells.size() == column - 1)
        cells.push_back(cell.Text);
    else {
        if (cells.size() < column) cells.resize(column);
        cells.Set(column - 1, cell.Text);
    }
    SetCellNumber(row, column, cell.Number);
}

void ReportList::SetCellNumber(size_t row, size_t column, double number) {
    // A number belongs to a cell's text: a cell the row lacks carries none.
    if (row >= Rows.size() || column == 0 || column > Rows[row].Cells.size()) return;
    Rows[row].Cells.SetNumber(column - 1, number);
}

double ReportList::CellNumber(size_t row, size_t column) const {
    if (row >= Rows.size() || column == 0) return kNoNumber;
    return Rows[row].Number(column - 1);
}

long ReportList::FindKey(std::string_view key) const {
    for (size_t i = 0; i < Rows.size(); ++i)
        if (Rows[i].Key == key) return static_cast<long>(i);
    return -1;
}

void ReportList::Clear() {
    Rows.clear();
    nextItem_ = 1;
}

namespace {
ListColumn T(const char* title) { return {title, SortType::Text}; }
ListColumn N(const char* title) { return {title, SortType::Number}; }
ListColumn D(const char* title) { return {title, SortType::Date}; }
} // namespace

ReportLists::ReportLists() {
    lists_[lstHits] = ReportList("lstHits", {D("Date"), N("Visitors")});
    lists_[lstFiles] = ReportList("lstFiles", {T("File"), N("Total Requests"), N("Gets"), N("Reloads"),
                                               N("Resumes"), N("Bandwidth (MB)")});
    lists_[lstReferrers] = ReportList("lstReferrers", {T("Referring URL"), T("To File"), N("Visitors")});
    lists_[lstBrowsers] = ReportList("lstBrowsers", {T("Raw Data"), N("Visitors"), N("% Visitors")});
    lists_[lstOS] = ReportList("lstOS", {T("Operating System"), N("Visitors"), N("% Visitors")});
    lists_[lstWebBrowser] = ReportList("lstWebBrowser", {T("Browser"), N("Visitors"), N("% Visitors")});
    lists_[lstCountries] = ReportList("lstCountries", {T("Country"), N("Visitors"), N("% Visitors")});
    lists_[lstSearchTerms] = ReportList(
        "lstSearchTerms", {T("Keywords"), T("Search Engine"), T("From URL"), T("To File"), N("Visitors")});
    lists_[lstHour] = ReportList("lstHour", {N("Hour"), N("Visitors")});
    lists_[lstIPs] = ReportList("lstIPs", {T("IP Address"), T("Country"), T("Referrer"), D("Entry Time"),
                                           T("Entry Page"), D("Exit Time"), T("Exit Page"), {"Time Spent", SortType::Text, 1440, true},
                                           N("Requests"), N("Bandwidth (MB)")});
    lists_[lstErrors] = ReportList("lstErrors", {T("Error"), T("Description"), T("File"), T("Referrer"),
                                                 D("Time First Occurred"), D("Time Last Occurred"),
                                                 N("Occurrences")});
    lists_[lstConversions0] =
        ReportList("lstConversions0", {T("Referrer"), N("Visitors"), N("Conversions"), N("% Conversions")});
    lists_[lstConversions1] = ReportList("lstConversions1", {T("Search Term"), T("Search Engine"), T("URL"),
                                                             N("Visitors"), N("Conversions"),
                                                             N("% Conversions")});
    lists_[lstConversions2] =
        ReportList("lstConversions2", {T("Entry Page"), N("Visitors"), N("Conversions"), N("% Conversions")});
    lists_[lstSites] = ReportList("lstSites", {T("Site"), T("Domain")});
    lists_[lstSearchEngines] = ReportList("lstSearchEngines", {T("Search Engine"), N("Visitors")});
    Pages = ReportList("lstPages", {T("IP address"), D("Date"), T("File"), T("Referrer"), N("Result"),
                                    N("Bytes")});
}

ReportList* ReportLists::ListNumber(int listNum) {
    if (listNum < 1 || listNum > 16) return nullptr;
    return &lists_[listNum];
}

const ReportList* ReportLists::ListNumber(int listNum) const {
    if (listNum < 1 || listNum > 16) return nullptr;
    return &lists_[listNum];
}

void ReportLists::ClearLists() {
    for (int n = 1; n <= 16; ++n) {
        if (n == lstSites) continue;
        lists_[n].Clear();
        lists_[n].Sorted = false;
    }
    ConversionFiles.clear();
    ConversionFileIndex = -1;
    DateChart.Clear();
    HourChart.Clear();
}

} // namespace trevix
