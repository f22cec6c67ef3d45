#include "StoredEntryReader.h"

#include "Analyser.h"
#include "LogParser.h"

#include <utility>

namespace trevix {

LogEntry StoredEntryReader::Read(uint32_t entry) {
    if (!scratch_.Empty()) scratch_.Clear();
    const StoredEntry& stored = a_.T.LogEntries[entry];
    LogEntry e;
    // The run's settings and its arena are put back however the parse ends.
    struct Restore {
        Analyser& a;
        TextArena& scratch;
        bool merge, domains;
        ~Restore() {
            std::swap(a.T.Arena, scratch);
            a.Options.MergeSessions = merge;
            a.CurrentProfile.DifferentDomains = domains;
            a.QuietParse = false;
        }
    } restore{a_, scratch_, a_.Options.MergeSessions, a_.CurrentProfile.DifferentDomains};
    std::swap(a_.T.Arena, scratch_);
    a_.Options.MergeSessions = a_.T.EntryParsing.MergeSessions;
    a_.CurrentProfile.DifferentDomains = a_.T.EntryParsing.DifferentDomains;
    a_.QuietParse = true;
    // Past the file's first accepted line: reading it again must not move the run's first time.
    FileParseState state;
    state.FirstLineAccepted = true;
    ParseLogLine(a_, stored.Text(), e, state);
    e.IsSpider = stored.IsSpider();
    return e;
}

} // namespace trevix
