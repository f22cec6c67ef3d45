// The pairing of a compare load: which row of the report on screen an element's values
// belong to, and the adding or merging of that row.
#include "XmlReportLoader.h"

#include "XmlReportReading.h"
#include "engine/Analyser.h"
#include "engine/base/Text.h"

#include <cstdint>
#include <utility>

namespace trevix {

using xmlreport::AppendKeyPart;
using xmlreport::NextRowKey;

ListRowIndex::ListRowIndex(const ReportList& list, MergeRule rule) : rule_(rule) {
    first_.reserve(list.RowCount());
    for (size_t row = 0; row < list.RowCount(); ++row) Add(list, row);
}

std::string ListRowIndex::Key(std::string_view first, std::string_view second, std::string_view third) const {
    std::string key;
    key.reserve(first.size() + second.size() + third.size() + 24);
    AppendKeyPart(key, rule_.IgnoreCase ? std::string_view(CaseFoldKey(first)) : first);
    if (rule_.SecondKey != 0) AppendKeyPart(key, second);
    if (rule_.ThirdKey != 0) AppendKeyPart(key, third);
    return key;
}

long ListRowIndex::Find(std::span<const std::string> values) const {
    auto value = [&](int cell) -> std::string_view {
        return cell >= 1 && static_cast<size_t>(cell) <= values.size() ? std::string_view(values[cell - 1])
                                                                        : std::string_view();
    };
    auto it = first_.find(Key(value(1), value(rule_.SecondKey), value(rule_.ThirdKey)));
    return it == first_.end() ? -1 : static_cast<long>(it->second);
}

void ListRowIndex::Add(const ReportList& list, size_t row) {
    auto cell = [&](int column) -> std::string_view {
        return column >= 1 ? std::string_view(list.Cell(row, static_cast<size_t>(column))) : std::string_view();
    };
    first_.emplace(Key(cell(1), cell(rule_.SecondKey), cell(rule_.ThirdKey)), row);
}

UnmatchedRows::UnmatchedRows(const ReportList& files, const AnalysisTables& t) {
    for (size_t row = 0; row < files.RowCount(); ++row) {
        const int64_t record = files.Rows[row].ItemData;
        std::string file(record >= 1 && record <= static_cast<int64_t>(t.FileCount())
                             ? std::string_view(t.Files[static_cast<size_t>(record)].File)
                             : files.Cell(row, 1));
        byFile_[std::move(file)].Positions.push_back(row);
    }
    count_ = files.RowCount();
}

long UnmatchedRows::Take(std::string_view file) {
    auto it = byFile_.find(std::string(file));
    if (it == byFile_.end() || it->second.Next == it->second.Positions.size()) return -1;
    --count_;
    return static_cast<long>(it->second.Positions[it->second.Next++]);
}

size_t AddListRow(std::span<const std::string> values, ReportList& list) {
    const size_t row = list.AddRow(values.empty() ? std::string() : values[0], NextRowKey(list, "i"));
    for (size_t c = 1; c < values.size(); ++c) list.SetCell(row, c + 1, values[c]);
    return row;
}

size_t AddListRow(std::span<const std::string> values, ReportList& list, ListRowIndex& index) {
    const size_t n = values.size();
    if (n == 0) return AddListRow(values, list);
    if (long found = index.Find(values); found >= 0) {
        list.SetCell(static_cast<size_t>(found), n + 1, values[n - 1]);
        return static_cast<size_t>(found);
    }
    const size_t row = list.AddRow(values[0], NextRowKey(list, "i"));
    for (size_t c = 2; c < n; ++c) list.SetCell(row, c, index.Rule().CopyDescribing ? values[c - 1] : "0");
    if (n >= 2) list.SetCell(row, n, "0");
    list.SetCell(row, n + 1, values[n - 1]);
    index.Add(list, row);
    return row;
}

size_t AddListRow(std::span<const std::string> values, ReportList& list, UnmatchedRows& unmatched) {
    if (long found = unmatched.Take(values.empty() ? std::string_view() : std::string_view(values[0])); found >= 0)
        return static_cast<size_t>(found);
    const size_t row = list.AddRow(values.empty() ? std::string() : values[0], NextRowKey(list, "i"));
    for (size_t c = 2; c <= 5; ++c) list.SetCell(row, c, "0");
    list.SetCell(row, 6, "0.0");
    return row;
}

} // namespace trevix
