#include "CsvExport.h"

#include "engine/AtomicFile.h"
#include "engine/ListSorting.h"
#include "engine/Locale.h"

#include <filesystem>
#include <system_error>

namespace trevix {

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out.append(field);
        return;
    }
    out.push_back('"');
    for (char c : field) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::string ListAsCsv(const ReportList& list) {
    std::string out;
    const size_t columns = list.Columns.size();
    for (size_t c = 0; c < columns; ++c) {
        if (c > 0) out.push_back(',');
        AppendCsvField(out, list.Columns[c].Title);
    }
    out.append("\r\n");
    for (size_t r : ExportRowOrder(list, Locale::Fixed())) {
        // Rows shorter than the header (comparison columns not filled) get empty fields, so
        // every record has the same number of fields.
        for (size_t c = 1; c <= columns; ++c) {
            if (c > 1) out.push_back(',');
            AppendCsvField(out, list.Cell(r, c));
        }
        out.append("\r\n");
    }
    return out;
}

namespace {
void AppendTabField(std::string& out, std::string_view field) {
    for (char c : field)
        out.push_back(c == '\t' || c == '\r' || c == '\n' ? ' ' : c);
}
} // namespace

std::string RowsAsTabText(const ReportList& list, const std::vector<size_t>& rows, bool withHeader) {
    std::string out;
    const size_t columns = list.Columns.size();
    if (withHeader) {
        for (size_t c = 0; c < columns; ++c) {
            if (c > 0) out.push_back('\t');
            AppendTabField(out, list.Columns[c].Title);
        }
        out.push_back('\n');
    }
    for (size_t r : rows) {
        if (r >= list.RowCount()) continue;
        for (size_t c = 1; c <= columns; ++c) {
            if (c > 1) out.push_back('\t');
            AppendTabField(out, list.Cell(r, c));
        }
        out.push_back('\n');
    }
    return out;
}

bool WriteListAsCsv(const ReportList& list, const std::string& path, std::string& error) {
    return WriteFileAtomically(path, ListAsCsv(list), error);
}

std::vector<const ReportList*> ExportedLists(const ReportLists& lists) {
    std::vector<const ReportList*> result;
    for (int n = 1; n <= 16; ++n)
        if (n != lstSites) result.push_back(lists.ListNumber(n));
    return result;
}

bool WriteListsAsCsv(const ReportLists& lists, const std::string& folder, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        error = folder + ": " + ec.message();
        return false;
    }
    for (const ReportList* list : ExportedLists(lists)) {
        const std::string path = (fs::path(folder) / (list->Name + ".csv")).string();
        std::string why;
        if (!WriteListAsCsv(*list, path, why)) {
            error = path + ": " + why;
            return false;
        }
    }
    return true;
}

} // namespace trevix
