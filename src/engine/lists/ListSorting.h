#pragma once
// Sorting report lists by a column (text, number or date), and the order written reports give
// their rows.
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace trevix {

class Locale;
class ReportList;
enum class SortType;

// What a cell's text reads as in its column: a number ("1,234.50"; "New..." as 999999; empty
// as 0), a date's seconds (empty as the earliest of all) or a duration's seconds (empty as 0).
// Nothing for text, or for text that does not read as its column's kind. The engine gives
// the cells it writes these numbers; a loaded report's cells are read once.
std::optional<double> ReadCellNumber(std::string_view text, SortType type, bool duration, const Locale& locale);
// Gives each non-empty cell of the number, date and duration columns that carries no number
// the one its text reads as (a report file just loaded).
void ReadCellNumbers(ReportList& list, const Locale& locale);

// Sorts by a 1-based column; order 0, 1, or -1 (choose: a new number column descends, a new
// other column ascends, the same column again flips). The chosen order is written back.
void SortList(ReportList& list, int column, int& order, const Locale& locale);
// Sorts by the date or number values of the 0-based column key (stable; order 1 descends);
// the numbers the cells carry, or what their text reads as where they carry none.
// Empty cells count as the earliest date or 0, "New..." as 999999; when any other cell does
// not read as a date or number the rows stay as they are.
void SortByValues(ReportList& list, int key, SortType type, int order, const Locale& locale);
// Sign of a - b (-1, 0 or 1), negated for order 1.
int CompareSortValues(double a, double b, int order);
// The row positions in the order a written report (HTML, CSV, the CLI's lists) gives them.
// A list sorted by choice keeps its order, as the window shows it. Otherwise the rows are in
// the order they were first seen, which puts the busiest far down: they go by the first
// number column, largest first, ties as they stand. Lists keyed by date or hour (a first
// column that is not text) keep their time order, and so does a list whose counts do not all
// read as numbers. The list itself is not reordered.
std::vector<size_t> ExportRowOrder(const ReportList& list, const Locale& locale);

} // namespace trevix
