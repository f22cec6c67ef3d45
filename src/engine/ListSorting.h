#pragma once
// Sorting report lists by a column (text, number or date) and remembering each list's sort
// column, direction and column widths in the settings store.

namespace trevix {

class Analyser;
class Locale;
class ReportList;
enum class SortType;

// Sorts by a 1-based column; order 0, 1, or -1 (choose: a new number column descends, a new
// other column ascends, the same column again flips). The chosen order is written back.
void SortList(ReportList& list, int column, int& order, const Locale& locale);
// Sorts by the date or number values of the 0-based column key (stable; order 1 descends).
// Empty cells count as the earliest date or 0, "New..." as 999999; when any other cell does
// not read as a date or number the rows stay as they are.
void SortByValues(ReportList& list, int key, SortType type, int order, const Locale& locale);
// Sign of a - b (-1, 0 or 1), negated for order 1.
int CompareSortValues(double a, double b, int order);

// The remembered sort column and direction of lists 1 to 16 (not the site list), applied as
// saved; nothing happens without a store.
void ApplySortSettings(Analyser& a);
void SaveSortSettings(Analyser& a);
void SaveColumnWidths(Analyser& a);
void SetColumnWidths(Analyser& a);

} // namespace trevix
