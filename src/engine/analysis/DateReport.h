#pragma once
// Visitors per date and per hour: the two lists and the two bar charts.
#include <string_view>

namespace trevix {

class Analyser;
class ReportList;

void DisplayDateReport(Analyser& a, bool compare);
// Puts text into every empty cell of a 1-based column.
void FillInZeroes(ReportList& list, int column, std::string_view text);

} // namespace trevix
