#pragma once
// The report pages filled from the tables once the files are read: countries, search terms and
// engines, browsers and systems, files and errors, and the formats their cells share.
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace trevix {

class Analyser;
class ReportList;

// Appends a row with its cells in column order; the key is the prefix and the new row count.
size_t AddListRow(ReportList& list, std::string_view keyPrefix, std::initializer_list<std::string> cells);
// A count as the lists show it: whole, with thousands separators.
std::string FormatCount(const Analyser& a, double value);
// "% Visitors": integer part of count x 1000 / visitors, divided by 10, shortest decimal.
std::string PercentVisitors(const Analyser& a, long long count, long long visitors);

void FillCountries(Analyser& a);
// Search terms, search engines, browsers, systems, files and errors.
void FillLists(Analyser& a);

} // namespace trevix
