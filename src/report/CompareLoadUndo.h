#pragma once
// What a compare load changes in the report on screen, kept before the merge begins, so that a
// comparison stopped half-way leaves the report as it was rather than half-merged. Only what
// the merge touches is kept: the comparison cells of the rows already there (never their own
// cells), how many rows and records there were, and the small date and hour lists whole.
#include "engine/lists/ReportLists.h"
#include "engine/SiteProfile.h"
#include "engine/tables/Tables.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace trevix {

class Analyser;

class CompareLoadUndo {
public:
    // Taken once the comparison columns exist, before anything is merged.
    explicit CompareLoadUndo(const Analyser& a);
    // Puts the report back as it was when this was taken.
    void Restore(Analyser& a);

private:
    struct ListState {
        size_t RowCount = 0;
        size_t FirstCompare = 0;   // 0-based cell where the comparison cells begin
        std::vector<size_t> CellCounts;                  // per row
        std::vector<std::vector<std::string>> Tails;     // per row: its comparison cells
        std::vector<std::vector<double>> NumberTails;    // per row: the numbers they carry
        bool Sorted = false;
    };

    std::array<ListState, 17> lists_;
    ReportList hits_, hours_;
    ChartSeries dateChart_, hourChart_;
    size_t summarySize_ = 0;
    std::vector<std::string> conversionFiles_;
    std::vector<ConversionReport> conversionReports_;
    uint32_t visitors_ = 0, referrers_ = 0;
    std::vector<int32_t> referrerCompareHits_;
    size_t searchTerms_ = 0, dateVisitors_ = 0;
    std::array<int32_t, 48> hourVisitors_{};
    SiteProfile profile_;
    bool reportShown_ = false, reportOutOfDate_ = false;
};

} // namespace trevix
