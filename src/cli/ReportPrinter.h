#pragma once
// Report lists as tab-separated text: a header line of column titles, then one line per row
// with the cells as the page shows them.
#include "engine/lists/ReportLists.h"

#include <cstddef>
#include <iosfwd>
#include <string_view>
#include <vector>

namespace trevix {

class Locale;

// The list of a control name ("lstFiles", "lstConversions1"), nullptr when unknown.
ReportList* FindListByName(ReportLists& lists, std::string_view name);
// Tabs and line ends inside a cell are printed as blanks so every row stays one line.
void PrintList(std::ostream& out, const ReportList& list);
// Only the given rows (0-based positions), in the order given.
void PrintList(std::ostream& out, const ReportList& list, const std::vector<size_t>& rows);
// Each list after a blank line, in the order given, its rows in the order a written report
// gives them (ExportRowOrder). Long lists are made ready on two threads.
void PrintLists(std::ostream& out, const std::vector<const ReportList*>& lists, const Locale& locale);

} // namespace trevix
