#include "engine/analysis/ReferralLists.h"

#include "engine/Analyser.h"
#include "engine/parse/Classification.h"
#include "engine/lists/ListSorting.h"

#include <string>

namespace trevix {

ReportList MakeReferralList(std::string name) {
    return ReportList(std::move(name), {{"File", SortType::Text, 1440}, {"No. visitors", SortType::Number, 1440}});
}

void BuildReferralLists(const Analyser& a, std::string_view file, ReportList& referredBy,
                        ReportList& referredTo) {
    referredBy.Clear();
    referredTo.Clear();
    const AnalysisTables& t = a.Tables;
    for (uint32_t r = 1; r <= t.ReferrerCount(); ++r) {
        const ReferrerRecord& rec = t.Referrers[r];
        if (IsLocalFile(rec.Referrer, file, a.CurrentProfile)) {
            size_t row = referredTo.AddRow(rec.ToFile);
            referredTo.SetCell(row, 2, CellValue(std::to_string(rec.Hits), rec.Hits));
        }
        if (rec.ToFile == file) {
            size_t row = referredBy.AddRow(rec.Referrer);
            referredBy.SetCell(row, 2, CellValue(std::to_string(rec.Hits), rec.Hits));
        }
    }
}

void SortReferralList(ReportList& list, int column, int& lastColumn, const Locale& locale) {
    if (column < 1 || static_cast<size_t>(column) > list.Columns.size()) return;
    int order = (column == lastColumn && list.SortOrder == 0) ? 1 : 0;
    lastColumn = column;
    SortList(list, column, order, locale);
}

} // namespace trevix
