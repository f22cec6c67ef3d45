#include "ReportPrinter.h"

#include <ostream>

namespace trevix {

ReportList* FindListByName(ReportLists& lists, std::string_view name) {
    for (int n = 1; n <= 16; ++n) {
        ReportList* list = lists.ListNumber(n);
        if (n != lstSites && list && list->Name == name) return list;
    }
    if (name == lists.Pages.Name) return &lists.Pages;
    return nullptr;
}

namespace {
void PrintCell(std::ostream& out, std::string_view cell) {
    for (char c : cell) out.put(c == '\t' || c == '\r' || c == '\n' ? ' ' : c);
}
} // namespace

void PrintList(std::ostream& out, const ReportList& list) {
    for (size_t c = 0; c < list.Columns.size(); ++c) {
        if (c) out.put('\t');
        PrintCell(out, list.Columns[c].Title);
    }
    out.put('\n');
    for (size_t r = 0; r < list.Rows.size(); ++r) {
        for (size_t c = 1; c <= list.Columns.size(); ++c) {
            if (c > 1) out.put('\t');
            PrintCell(out, list.Cell(r, c));
        }
        out.put('\n');
    }
}

} // namespace trevix
