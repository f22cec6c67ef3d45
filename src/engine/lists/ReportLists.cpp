#include "engine/lists/ReportLists.h"

#include <algorithm>
#include <utility>

namespace trevix {

ReportList::ReportList(std::string name, std::vector<ListColumn> columns)
    : Name(std::move(name)), Columns(std::move(columns)) {}

size_t ReportList::AddRow(std::string text, std::string key) {
    ListRow row;
    row.Cells.reserve(Columns.size());
    row.Cells.push_back(std::move(text));
    row.Key = std::move(key);
    row.ItemData = nextItem_++;
    Rows.push_back(std::move(row));
    return Rows.size() - 1;
}

const std::string& ReportList::Cell(size_t row, size_t column) const {
    static const std::string empty;
    if (row >= Rows.size() || column == 0) return empty;
    const auto& cells = Rows[row].Cells;
    return column <= cells.size() ? cells[column - 1] : empty;
}

void ReportList::SetCell(size_t row, size_t column, CellValue cell) {
    if (row >= Rows.size() || column == 0) return;
    ListRow& r = Rows[row];
    if (r.Cells.size() < column) r.Cells.resize(column);
    r.Cells[column - 1] = std::move(cell.Text);
    SetCellNumber(row, column, cell.Number);
}

void ReportList::SetCellNumber(size_t row, size_t column, double number) {
    if (row >= Rows.size() || column == 0) return;
    ListRow& r = Rows[row];
    if (r.Numbers.size() < column) {
        if (!HasNumber(number)) return;
        // Sized for the whole row at once: the other numbers of a row usually follow.
        r.Numbers.resize(std::max(column, Columns.size()), kNoNumber);
    }
    r.Numbers[column - 1] = number;
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
