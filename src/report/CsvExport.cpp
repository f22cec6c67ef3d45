#include "CsvExport.h"

#include "engine/base/AtomicFile.h"
#include "engine/lists/ListSorting.h"
#include "engine/base/Locale.h"

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

std::vector<std::string> CsvFilePaths(const ReportLists& lists, const std::string& folder) {
    std::vector<std::string> paths;
    for (const ReportList* list : ExportedLists(lists))
        paths.push_back((std::filesystem::path(folder) / (list->Name + ".csv")).string());
    return paths;
}

bool AddListsAsCsv(const ReportLists& lists, const std::string& folder, AtomicFileGroup& group, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        error = folder + ": " + ec.message();
        return false;
    }
    const std::vector<const ReportList*> exported = ExportedLists(lists);
    const std::vector<std::string> paths = CsvFilePaths(lists, folder);
    for (size_t i = 0; i < exported.size(); ++i) {
        AtomicFile& file = group.Add(paths[i]);
        file.RequirePlainFile();
        std::string why;
        if (!file.Open(why) || !file.Write(ListAsCsv(*exported[i]), why)) {
            error = paths[i] + ": " + why;
            return false;
        }
    }
    return true;
}

bool WriteListsAsCsv(const ReportLists& lists, const std::string& folder, std::string& error) {
    AtomicFileGroup group;
    return AddListsAsCsv(lists, folder, group, error) && group.Commit(error);
}

} // namespace trevix
