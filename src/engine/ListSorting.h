#pragma once
// Sorting report lists by a column (text, number or date) and remembering each list's sort
// column, direction and column widths in the settings store.
#include <cstdint>
#include <map>

namespace trevix {

class Analyser;
class Locale;
class ReportList;
enum class SortType;

// Sorts by a 1-based column; order 0, 1, or -1 (choose: a new number column descends, a new
// other column ascends, the same column again flips). The chosen order is written back.
void SortList(ReportList& list, int column, int& order, const Locale& locale);
void SortByValues(ReportList& list, int key, SortType type, int order, const Locale& locale);
// Sign of value(a) - value(b), negated for order 1.
int CompareSortValues(const std::map<int64_t, double>& values, int64_t a, int64_t b, int order);

void ApplySortSettings(Analyser& a);
void SaveSortSettings(Analyser& a);
void SaveColumnWidths(Analyser& a);
void SetColumnWidths(Analyser& a);

} // namespace trevix
