#pragma once
// Reading a saved report back into the report pages and the tables later commands need:
// either replacing the report on screen (a plain load) or merged into it as comparison
// values (a compare load).
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trevix {

class Analyser;
class ReportList;
struct AnalysisTables;

// Loads the report file at path. Every failure is shown through the analyser's host, as a
// message box; the result tells whether the whole file was read. A plain load that fails
// after the file parsed leaves what was read so far on screen. Running out of memory is not
// the file's fault: std::bad_alloc reaches the caller, which says so and how far it got.
// The host's Cancel is honoured while the file is read, between sections and every 100
// elements: the result is false, *cancelled (when given) is set and the status says so. A
// plain load stopped after the file parsed leaves what was read so far, as after a failure;
// a stopped compare load leaves the report on screen as it was before the comparison (only
// the comparison columns, once added, stay, as they always do).
bool LoadXMLReport(Analyser& a, const std::string& path, bool compare, bool* cancelled = nullptr);

// How a compare load pairs an element with a row of the report on screen.
struct MergeRule {
    int SecondKey = 0;           // a cell that must also be equal (1-based; 0: none)
    bool IgnoreCase = false;     // the first cell is compared ignoring letter case
    int ThirdKey = 0;
    // A new row copies cells 2 .. n-1 from the element; otherwise they are counts of the
    // report on screen and read "0".
    bool CopyDescribing = true;
};

// The first row of every key, in list order, for one section of a compare load. Built from
// the rows on screen and kept current as rows are added, so each element is paired at the
// cost of one hash lookup and gets the row a front-to-back scan would give.
class ListRowIndex {
public:
    ListRowIndex(const ReportList& list, MergeRule rule);
    const MergeRule& Rule() const { return rule_; }
    // The row the values pair with, or -1.
    long Find(std::span<const std::string> values) const;
    // Makes a row just added findable (unless an earlier row has its key).
    void Add(const ReportList& list, size_t row);

private:
    std::string Key(std::string_view first, std::string_view second, std::string_view third) const;
    MergeRule rule_;
    std::unordered_map<std::string, size_t> first_;
};

// The rows of the files list a compare load has not paired yet. Each row is known by the
// file of the Files record it was made from (the record number is the row's ItemData), so a
// re-sorted list still pairs correctly; rows without a record (added by an earlier
// comparison) are known by their own text.
class UnmatchedRows {
public:
    UnmatchedRows(const ReportList& files, const AnalysisTables& t);
    // The first unpaired row of that file in list order, taken out of the unpaired rows;
    // -1 when there is none.
    long Take(std::string_view file);
    size_t Count() const { return count_; }

private:
    struct Rows {
        std::vector<size_t> Positions;   // ascending
        size_t Next = 0;                 // the first one not yet taken
    };
    std::unordered_map<std::string, Rows> byFile_;
    size_t count_ = 0;
};

// Adds a row with the values as cells 1..n and the key "i" followed by the new row count.
// Returns the row's position.
size_t AddListRow(std::span<const std::string> values, ReportList& list);
// Compare load: the row paired with the values gets the last value in cell n+1 (the first
// comparison column). Without one a new row is added: cells 2 .. n-1 as the rule says, cell
// n "0", cell n+1 the last value. Returns the position of the row paired or added.
size_t AddListRow(std::span<const std::string> values, ReportList& list, ListRowIndex& index);
// Compare load of the files list: a paired row is left as it is; a new row reads "0" in
// cells 2 to 5 and "0.0" in cell 6. Returns the position of the row paired or added.
size_t AddListRow(std::span<const std::string> values, ReportList& list, UnmatchedRows& unmatched);

} // namespace trevix
