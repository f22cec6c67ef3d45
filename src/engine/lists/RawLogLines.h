#pragma once
// The raw log: the counted lines of a run in order, read where the run left them (the mapped
// log file, the inflated text, or the arena for a line that had to be repaired), never copied.
// With visitors' addresses kept private a line shows its client field replaced.
#include "engine/tables/Tables.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

// Called by the counting for each line while the raw log is on and addresses are replaced:
// where client (the field as logged) lies in raw, the text the entry stores.
void NoteRawLogClient(AnalysisTables& t, std::string_view raw, std::string_view client);

// A mapped log file can be truncated or rewritten after the run; its lines then read as empty
// (never as the zeros or new text the mapping would give) once Recheck has seen the change.
// Reads the tables and the address replacements of the run; they must stay while this lives,
// and nothing else may use them meanwhile.
class RawLogLines {
public:
    explicit RawLogLines(AnalysisTables& t);
    RawLogLines(const RawLogLines&) = delete;
    RawLogLines& operator=(const RawLogLines&) = delete;

    // Lines counted; below, i is 0-based.
    size_t Count() const { return count_; }
    // Bytes of line i as shown (0 for a line of a changed file).
    size_t Length(size_t i);
    // Line i as shown, without a line break: a view into the log text, or into scratch for a
    // line whose client field is replaced. Empty for a line of a changed file.
    std::string_view Line(size_t i, std::string& scratch);
    // Looks at the mapped files again: true when one of them changed since the last look.
    bool Recheck();
    // The files whose lines are not shown, as the run named them, in the order read.
    std::vector<std::string> ChangedFiles() const;

private:
    struct Source {
        const FileText* Text;
        bool Usable;
    };
    // The mapped file holding line, or nullptr for text that cannot change.
    const Source* SourceOf(const char* line) const;
    bool Shown(const StoredEntry& e) const;
    const ClientField* ClientOf(size_t i) const;

    AnalysisTables& t_;
    size_t count_ = 0;
    std::vector<Source> sources_;   // by address
    mutable size_t lastSource_ = 0;  // consecutive lines mostly share a file
    std::string built_;              // a replaced line while its length is taken
};

} // namespace trevix
