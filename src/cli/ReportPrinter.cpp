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
    // Runs without a tab or line end are written whole.
    while (!cell.empty()) {
        size_t cut = 0;
        while (cut < cell.size() && cell[cut] != '\t' && cell[cut] != '\r' && cell[cut] != '\n') ++cut;
        if (cut == cell.size()) {
            out.write(cell.data(), static_cast<std::streamsize>(cell.size()));
            return;
        }
        out.write(cell.data(), static_cast<std::streamsize>(cut));
        out.put(' ');
        cell.remove_prefix(cut + 1);
    }
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
