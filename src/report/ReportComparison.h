#pragma once
// The comparison of the report on screen with a second, saved report: the extra columns every
// comparable list gets, and the percentage change written beside each pair of values.
#include <string>
#include <string_view>

namespace trevix {

class Analyser;
class Locale;
class ReportList;

// Adds the comparison columns (sort type number) to every comparable list, once per program
// run; the lists' own columns keep their widths, the new ones take the width saved for their
// position or one inch.
void SetUpCompareReport(Analyser& a);

// How many comparison columns a list gets (0 for a list that is not compared). Once they are
// set up they are the list's last columns.
int CompareColumnCount(int listNum);

// The change from b (the second report) to a (the report on screen): "New" when b is 0 and a
// is not, else the percentage in the pattern "+ 0.00;- 0.00;  0.00".
std::string PercentChange(double a, double b, const Locale& locale);

// For every row: the change from the number in cell column2 to the number in cell column1,
// written into cell displayColumn (1-based cells). Cells that do not read as numbers in the
// locale's form count as 0.
void PopulatePercentChange(ReportList& list, int column1, int column2, int displayColumn, const Locale& locale);

} // namespace trevix
