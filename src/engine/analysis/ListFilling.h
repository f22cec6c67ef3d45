#pragma once
// The report pages filled from the tables once the files are read: countries, search terms and
// engines, browsers and systems, files and errors, and the formats their cells share.
#include "engine/lists/ReportLists.h"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace trevix {

class Analyser;
class DateTime;

// Appends a row with its cells in column order; the key is the prefix and the new row count.
size_t AddListRow(ReportList& list, std::string_view keyPrefix, std::initializer_list<CellRef> cells);
// A count as the lists show it: whole, with thousands separators.
std::string FormatCount(const Analyser& a, double value);
CellValue CountCell(const Analyser& a, long long value);
// A value in a number pattern ("#,##0.00"), carrying the value as its text shows it: whole
// values as they are, others rounded as written. An empty text carries none.
CellValue NumberCell(const Analyser& a, double value, std::string_view pattern);
// "% Visitors": integer part of count x 1000 / visitors, divided by 10, shortest decimal.
std::string PercentVisitors(const Analyser& a, long long count, long long visitors);
CellValue PercentCell(const Analyser& a, long long count, long long visitors);
// A date in the general date-time form carrying its seconds; empty when there is none.
CellValue DateCell(const Analyser& a, const std::optional<DateTime>& value);

void FillCountries(Analyser& a);
// Search terms, search engines, browsers, systems, files and errors: the four below.
void FillLists(Analyser& a);
// Each fills its own lists from tables no other one writes, so they may run side by side;
// the search lists read what ReferrerPass counted.
void FillSearchLists(Analyser& a);
void FillBrowserLists(Analyser& a);   // raw data, systems, browsers
void FillFileList(Analyser& a);
void FillErrorList(Analyser& a);

} // namespace trevix
