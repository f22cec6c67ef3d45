#pragma once
// Turns one access-log line (common or combined format, optionally with a virtual host
// before the referrer) into a LogEntry, or rejects it.
#include "engine/tables/Tables.h"

#include <string_view>

namespace trevix {

class Analyser;

// What the parser remembers between the lines of one file.
struct FileParseState {
    bool FirstLineAccepted = false;   // cleared at the start of each file
    StampRef LastStamp;               // the last line that got as far as its time stamp
    bool HaveLastStamp = false;
    uint16_t Format = 0;              // the reader of the file's lines (LogEntry::Format)
    // The last dd/Mon/yyyy date found on the calendar: a log's lines mostly share their day.
    char PlausibleDay[11] = {};
    bool HavePlausibleDay = false;
};

// Skipped: a line the format passes over without counting it (a W3C directive).
enum class ParseResult { Accepted, Rejected, Skipped };

// Fills entry from line (a trailing CR may still be present). raw is the line as read,
// used in messages. Rejections are logged with InvalidEntry.
ParseResult ParseLogLine(Analyser& a, std::string_view line, LogEntry& entry, FileParseState& state);
// The same with the byte scanning of processors without SSE2, so tests can compare the two.
ParseResult ParseLogLinePortable(Analyser& a, std::string_view line, LogEntry& entry, FileParseState& state);

// The run's first stamp and zone, from the lines of a file up to its first accepted one.
void NoteFirstStamp(Analyser& a, const StampRef& stamp, std::string_view zone, std::string_view line);

// Records a parsed line's stamp: the run's first stamp and zone, and the file's last stamp.
// Inline, as once a line of the file was accepted only the last stamp is kept, every line.
inline void NoteStamp(Analyser& a, const StampRef& stamp, std::string_view zone, FileParseState& state,
                      std::string_view line) {
    if (!state.FirstLineAccepted) NoteFirstStamp(a, stamp, zone, line);
    state.LastStamp = stamp;
    state.HaveLastStamp = true;
}

// A line holding an address (or nothing) followed only by blanks: rejected by the parser;
// the line loop skips a run of them at the end of a file.
bool IsBlankAfterAddress(std::string_view line);

// "Invalid entry: '...'" for a rejected line.
void InvalidEntry(Analyser& a, std::string_view raw);
// "*** Internal Error N encountered while processing:" with the raw line.
void ReportInternalError(Analyser& a, int number, std::string_view raw);

} // namespace trevix
