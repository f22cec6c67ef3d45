#pragma once
// A run keeps 16 bytes per counted line (StoredEntry); the visitor report and the conversion
// report read an entry's fields again from its line, as the run parsed them.
#include "engine/tables/Tables.h"
#include "engine/base/TextArena.h"

#include <cstdint>
#include <vector>

namespace trevix {

class Analyser;

// A line is read again only from a file that has not changed since the run read it (a mapped
// log may have been truncated or rewritten since); a changed file is reported once and its
// lines are not read.
class StoredEntryReader {
public:
    explicit StoredEntryReader(Analyser& a);
    StoredEntryReader(const StoredEntryReader&) = delete;
    StoredEntryReader& operator=(const StoredEntryReader&) = delete;

    // Whether entry's line still holds what the run read.
    bool Readable(uint32_t entry) const;
    // The fields of entry (1..EntryCount); empty when the line is not Readable. Texts the
    // parser had to build (a stripped session ID, a host before the file) stay valid until
    // the next Read.
    LogEntry Read(uint32_t entry);
    // At the end of a pass: reports the files that changed while it read them.
    void Finish();

private:
    struct Source {
        const FileText* Text;
        bool Usable;
    };
    Analyser& a_;
    TextArena scratch_;             // built texts of the entry last read, not the run's arena
    std::vector<Source> sources_;   // the mapped file texts, by address
};

} // namespace trevix
