#pragma once
// A run keeps 16 bytes per counted line (StoredEntry); the visitor report and the conversion
// report read an entry's fields again from its line, as the run parsed them.
#include "Tables.h"
#include "TextArena.h"

#include <cstdint>

namespace trevix {

class Analyser;

class StoredEntryReader {
public:
    explicit StoredEntryReader(Analyser& a) : a_(a) {}
    StoredEntryReader(const StoredEntryReader&) = delete;
    StoredEntryReader& operator=(const StoredEntryReader&) = delete;

    // The fields of entry (1..EntryCount). Texts the parser had to build (a stripped session
    // ID, a host before the file) stay valid until the next Read.
    LogEntry Read(uint32_t entry);

private:
    Analyser& a_;
    TextArena scratch_;   // built texts of the entry last read, not the run's arena
};

} // namespace trevix
