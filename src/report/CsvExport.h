#pragma once
// Report lists as RFC 4180 CSV: UTF-8 without a byte-order mark, CR LF line ends, a header row
// of column titles, then one record per row with the cells exactly as the list holds them (the
// fixed number and date format of the report files). Used by trevix-cli --csv and by the
// window's "Export List as CSV...".
#include "engine/base/AtomicFile.h"
#include "engine/lists/ReportLists.h"

#include <string>
#include <string_view>
#include <vector>

namespace trevix {

// One field: quoted when it holds a comma, a quote, CR or LF (quotes doubled), else as it is.
void AppendCsvField(std::string& out, std::string_view field);
// The whole list, header row first; every record has one field per column.
std::string ListAsCsv(const ReportList& list);
// Rows of a list as tab-separated text for the clipboard (Ctrl+C), which spreadsheets paste
// into cells: optionally the header row first, then the given rows (0-based positions) in the
// order given, one line each ending in LF. A tab or line end inside a cell becomes one blank,
// so every row stays one line of cells.
std::string RowsAsTabText(const ReportList& list, const std::vector<size_t>& rows, bool withHeader);
// Writes the list to path, replacing an existing file atomically; false with error set.
bool WriteListAsCsv(const ReportList& list, const std::string& path, std::string& error);
// The lists of a report that an export writes, in list-number order (every list but the
// site list, which is no part of a report).
std::vector<const ReportList*> ExportedLists(const ReportLists& lists);
// folder/<list name>.csv of every exported list, in list-number order.
std::vector<std::string> CsvFilePaths(const ReportLists& lists, const std::string& folder);
// Writes folder/<list name>.csv for every exported list into temporary files of group,
// creating the folder when needed; nothing is replaced until the group is committed. The
// names are the program's own, so each must be a regular file or absent (never followed as a
// link). Stops at the first failure; error then names the file.
bool AddListsAsCsv(const ReportLists& lists, const std::string& folder, AtomicFileGroup& group, std::string& error);
// AddListsAsCsv, then every file replaced at once: a failure anywhere leaves every old file.
bool WriteListsAsCsv(const ReportLists& lists, const std::string& folder, std::string& error);

} // namespace trevix
