#include "engine/parse/StoredEntryReader.h"

#include "engine/Analyser.h"
#include "engine/IncompleteInputs.h"
#include "engine/parse/FormatLines.h"
#include "engine/parse/LogParser.h"

#include <algorithm>

#include <utility>

namespace trevix {

StoredEntryReader::StoredEntryReader(Analyser& a) : a_(a) {
    for (const auto& text : a.Tables.FileTexts) {
        if (!text->Mapped()) continue;   // a private copy cannot change
        const bool usable = text->Unchanged();
        if (!usable) ReportChangedInput(a, text->Path);
        sources_.push_back({text.get(), usable});
    }
    std::sort(sources_.begin(), sources_.end(),
              [](const Source& x, const Source& y) { return x.Text->View().data() < y.Text->View().data(); });
}

bool StoredEntryReader::Readable(uint32_t entry) const {
    if (sources_.empty()) return true;
    const char* line = a_.Tables.LogEntries[entry].Line;
    auto after = std::upper_bound(sources_.begin(), sources_.end(), line,
                                  [](const char* p, const Source& s) { return p < s.Text->View().data(); });
    if (after == sources_.begin()) return true;
    const Source& s = *(after - 1);
    return !s.Text->Holds(line) || s.Usable;
}

void StoredEntryReader::Finish() {
    for (Source& s : sources_) {
        if (s.Usable && !s.Text->Unchanged()) {
            s.Usable = false;
            ReportChangedInput(a_, s.Text->Path);
        }
    }
}

LogEntry StoredEntryReader::Read(uint32_t entry) {
    if (!scratch_.Empty()) scratch_.Clear();
    const StoredEntry& stored = a_.Tables.LogEntries[entry];
    LogEntry e;
    if (!Readable(entry)) return e;
    // The run's settings and its arena are put back however the parse ends.
    struct Restore {
        Analyser& a;
        TextArena& scratch;
        bool merge, domains;
        ~Restore() {
            std::swap(a.Tables.Arena, scratch);
            a.Options.MergeSessions = merge;
            a.CurrentProfile.DifferentDomains = domains;
            a.QuietParse = false;
        }
    } restore{a_, scratch_, a_.Options.MergeSessions, a_.CurrentProfile.DifferentDomains};
    std::swap(a_.Tables.Arena, scratch_);
    a_.Options.MergeSessions = a_.Tables.EntryParsing.MergeSessions;
    a_.CurrentProfile.DifferentDomains = a_.Tables.EntryParsing.DifferentDomains;
    a_.QuietParse = true;
    // Past the file's first accepted line: reading it again must not move the run's first time.
    FileParseState state;
    state.FirstLineAccepted = true;
    state.Format = stored.Format();
    if (state.Format == 0)
        ParseLogLine(a_, stored.Text(), e, state);
    else
        ParseFormatLine(a_, stored.Text(), e, state);
    e.IsSpider = stored.IsSpider();
    if (a_.Tables.Masks.On() && !e.ClientIP.empty()) {
        e.OriginalIP = e.ClientIP;
        e.ClientIP = a_.Tables.Masks.Replace(e.ClientIP);
    }
    return e;
}

} // namespace trevix
