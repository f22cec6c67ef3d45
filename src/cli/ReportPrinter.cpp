#include "ReportPrinter.h"

#include "CliHost.h"

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
    // Runs without a control character are written whole; a tab or line end becomes a blank
    // (the row stays one line), any other control a visible escape.
    std::string escape;
    while (!cell.empty()) {
        size_t cut = 0, length = 0;
        while (cut < cell.size() && (length = ControlLength(cell, cut)) == 0) ++cut;
        out.write(cell.data(), static_cast<std::streamsize>(cut));
        if (cut == cell.size()) return;
        const char c = cell[cut];
        if (c == '\t' || c == '\r' || c == '\n') {
            out.put(' ');
        } else {
            escape.clear();
            AppendEscape(escape, cell.substr(cut, length));
            out << escape;
        }
        cell.remove_prefix(cut + length);
    }
}
} // namespace

void PrintList(std::ostream& out, const ReportList& list) {
    std::vector<size_t> rows(list.Rows.size());
    for (size_t r = 0; r < rows.size(); ++r) rows[r] = r;
    PrintList(out, list, rows);
}

void PrintList(std::ostream& out, const ReportList& list, const std::vector<size_t>& rows) {
    for (size_t c = 0; c < list.Columns.size(); ++c) {
        if (c) out.put('\t');
        PrintCell(out, list.Columns[c].Title);
    }
    out.put('\n');
    for (size_t r : rows) {
        for (size_t c = 1; c <= list.Columns.size(); ++c) {
            if (c > 1) out.put('\t');
            PrintCell(out, list.Cell(r, c));
        }
        out.put('\n');
    }
}

} // namespace trevix
