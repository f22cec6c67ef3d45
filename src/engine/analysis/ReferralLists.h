#pragma once
// Where a requested file's visitors came from and what it led to: the two lists of the
// referred-by/to view, taken from the referrer table.
#include "engine/lists/ReportLists.h"

#include <string_view>

namespace trevix {

class Analyser;
class Locale;

// An empty list with the view's two columns, "File" (text) and "No. visitors" (number).
ReportList MakeReferralList(std::string name);

// Fills referredBy with the referrers whose target is file and referredTo with the targets
// whose referrer is the address of file on the site, in referrer-table order, one row per
// record (never merged). One pass over the table; both lists are emptied first.
void BuildReferralLists(const Analyser& a, std::string_view file, ReportList& referredBy,
                        ReportList& referredTo);

// The view's column-click rule (1-based column): descending when the same column was clicked
// last time and the list is ascending now, else ascending. lastColumn is remembered across
// clicks (0 before the first).
void SortReferralList(ReportList& list, int column, int& lastColumn, const Locale& locale);

} // namespace trevix
