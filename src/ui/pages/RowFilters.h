#pragma once
// Which filter a report list's row stands for: the status of an error, the address of a
// visitor, a referrer, a piece of a user agent ("Raw Data"), a country and a requested file.
// The right-click menu's "Show only this" and "Hide this" set it.
#include "engine/parse/FilterValues.h"

#include <string>

namespace trevix {
class ReportList;
struct ReferenceData;
}

namespace trevix::ui {

// The filter's field for the rows of a list number ("status", "address", "referrer", "agent",
// "country", "file"), or empty for a list whose rows name nothing a filter reads.
std::string FilterFieldOfList(int listNum);

// The value the filter takes for row (0-based) of list: the row's first cell, or for a country
// the two-letter code of countries.dat (the row key, else the code of the name shown). Empty
// for a list without a field, a row out of range, "(unknown)" and a name the list lacks.
std::string FilterValueOfRow(const ReportList& list, int listNum, int row, const ReferenceData& ref);

// What "Show only this" (keep) or "Hide this" sets: a file is named whole ("is"), a referrer or
// user agent is a text the entry's holds ("contains"), the others are "is".
FilterDescription RowFilterDescription(const std::string& field, const std::string& value, bool keep);

} // namespace trevix::ui
