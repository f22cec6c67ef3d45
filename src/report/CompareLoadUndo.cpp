#include "CompareLoadUndo.h"

#include "ReportComparison.h"
#include "engine/Analyser.h"

#include <algorithm>

namespace trevix {

namespace {
// Every list a compare load may reach; the sites list is not part of the report.
bool IsReportList(int n) { return n >= 1 && n <= 16 && n != lstSites; }
} // namespace

CompareLoadUndo::CompareLoadUndo(const Analyser& a) {
    const ReportLists& lists = a.Lists;
    for (int n = 1; n <= 16; ++n) {
        if (!IsReportList(n)) continue;
        const ReportList& list = lists[n];
        ListState& s = lists_[static_cast<size_t>(n)];
        s.Sorted = list.Sorted;
        s.RowCount = list.RowCount();
        const size_t compared = static_cast<size_t>(CompareColumnCount(n));
        s.FirstCompare = list.Columns.size() - std::min(compared, list.Columns.size());
        if (compared == 0) continue;   // rows are only appended there
        s.CellCounts.reserve(s.RowCount);
        s.Tails.reserve(s.RowCount);
        s.NumberTails.reserve(s.RowCount);
        for (const ListRow& row : list.Rows) {
            const size_t first = std::min(s.FirstCompare, row.Cells.size());
            s.CellCounts.push_back(row.Cells.size());
            std::vector<std::string>& tail = s.Tails.emplace_back();
            for (size_t c = first; c < row.Cells.size(); ++c) tail.emplace_back(row.Cells[c]);
            std::vector<double>& numbers = s.NumberTails.emplace_back();
            for (size_t c = first; c < row.Cells.size(); ++c) numbers.push_back(row.Number(c));
        }
    }
    // The date report rebuilds these whole; they are as small as the number of days.
    hits_ = lists[lstHits];
    hours_ = lists[lstHour];
    dateChart_ = lists.DateChart;
    hourChart_ = lists.HourChart;
    summarySize_ = lists.Summary.size();
    conversionFiles_ = lists.ConversionFiles;

    const AnalysisTables& t = a.Tables;
    conversionReports_ = t.ConversionReports;
    visitors_ = t.VisitorCount();
    referrers_ = t.ReferrerCount();
    referrerCompareHits_.reserve(t.Referrers.size());
    for (const ReferrerRecord& r : t.Referrers) referrerCompareHits_.push_back(r.CompareHits);
    searchTerms_ = t.SearchTerms.size();
    dateVisitors_ = t.DateVisitors.size();
    hourVisitors_ = t.HourVisitors;
    profile_ = a.CurrentProfile;
    reportShown_ = a.Lists.State.Shown;
    reportOutOfDate_ = a.Lists.State.OutOfDate;
}

void CompareLoadUndo::Restore(Analyser& a) {
    ReportLists& lists = a.Lists;
    for (int n = 1; n <= 16; ++n) {
        if (!IsReportList(n)) continue;
        ReportList& list = lists[n];
        ListState& s = lists_[static_cast<size_t>(n)];
        list.Sorted = s.Sorted;
        if (list.Rows.size() > s.RowCount) list.Rows.resize(s.RowCount);
        for (size_t row = 0; row < s.Tails.size() && row < list.Rows.size(); ++row) {
            CellTexts& cells = list.Rows[row].Cells;
            const size_t kept = std::min(s.FirstCompare, s.CellCounts[row]);
            cells.resize(kept);
            for (std::string& cell : s.Tails[row]) cells.push_back(std::move(cell));
            // The numbers follow their cells; a row that carried none keeps none.
            const std::vector<double>& saved = s.NumberTails[row];
            for (size_t i = 0; i < saved.size() && kept + i < cells.size(); ++i)
                if (HasNumber(saved[i])) cells.SetNumber(kept + i, saved[i]);
        }
    }
    lists[lstHits] = std::move(hits_);
    lists[lstHour] = std::move(hours_);
    lists.DateChart = std::move(dateChart_);
    lists.HourChart = std::move(hourChart_);
    lists.Summary.resize(summarySize_);
    lists.ConversionFiles = std::move(conversionFiles_);

    AnalysisTables& t = a.Tables;
    t.ConversionReports = std::move(conversionReports_);
    t.KeepVisitors(visitors_);
    t.KeepReferrers(referrers_);
    for (size_t r = 0; r < referrerCompareHits_.size() && r < t.Referrers.size(); ++r)
        t.Referrers[r].CompareHits = referrerCompareHits_[r];
    if (t.SearchTerms.size() > searchTerms_) t.SearchTerms.resize(searchTerms_);
    if (t.DateVisitors.size() > dateVisitors_) t.DateVisitors.resize(dateVisitors_);
    t.HourVisitors = hourVisitors_;
    a.CurrentProfile = std::move(profile_);
    a.Lists.State.Shown = reportShown_;
    a.Lists.State.OutOfDate = reportOutOfDate_;
}

} // namespace trevix
