#pragma once
// Report lists as tab-separated text: a header line of column titles, then one line per row
// with the cells as the page shows them.
#include "engine/lists/ReportLists.h"

#include <cstddef>
#include <iosfwd>
#include <string_view>
#include <vector>

namespace trevix {

// The list of a control name ("lstFiles", "lstConversions1"), nullptr when unknown.
ReportList* FindListByName(ReportLists& lists, std::string_view name);
// Tabs and line ends inside a cell are printed as blanks so every row stays one line.
void PrintList(std::ostream& out, const ReportList& list);
// Only the given rows (0-based positions), in the order given.
void PrintList(std::ostream& out, const ReportList& list, const std::vector<size_t>& rows);

} // namespace trevix
