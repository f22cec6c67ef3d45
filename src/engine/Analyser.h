#pragma once
// Everything one analysis works on: the tables, the reference lists, the options, the site
// profile copied at the start of a run, the filters, the locale and the front end. The
// engine's routines take it by reference; the front end owns one for the program's life.
#include "engine/EntryFilters.h"
#include "engine/base/Locale.h"
#include "engine/base/RecordIndex.h"
#include "engine/formats/LineFormat.h"
#include "engine/ProgramOptions.h"
#include "engine/tables/ReferenceData.h"
#include "engine/lists/ReportLists.h"
#include "engine/RunHost.h"
#include "engine/SettingsStore.h"
#include "engine/SiteProfile.h"
#include "engine/tables/Tables.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trevix {

// The computer's offset from UTC, as whole hours and the remaining minutes (same sign).
struct TimeBias {
    int Hours = 0;
    int Minutes = 0;
};

// Reads the offset of the C library's local time zone (honours TZ) at the current moment:
// minutes to add to local time to get UTC, split as above.
TimeBias ReadLocalTimeBias();

class Analyser {
public:
    Analyser();

    AnalysisTables Tables;
    ReferenceData Reference;
    ProgramOptions Options;
    SiteProfile CurrentProfile;
    EntryFilters Filters;
    Locale NumberFormat = Locale::Fixed();
    TimeBias LocalTimeBias;
    RunHost* Host;
    // Where sort settings and recent lists are kept; may be null (nothing is remembered).
    SettingsStore* Store = nullptr;
    ReportLists Lists;

    // Large files are read on a second thread while this one counts (same results).
    bool ParallelReading = true;
    // Set while stored entries are read again: their messages were given when the run read them.
    bool QuietParse = false;

    // Spider answers per distinct user-agent text, valid for one run (the line loop's reading
    // thread fills it; IsSpiderAgent reads it).
    struct SpiderAnswers {
        struct Answer {
            uint64_t Key = 0;              // Lately: a sample of the agent
            const char* Text = nullptr;    // a copy in the run's arena; null: an unused slot
            uint32_t Size = 0;
            bool Spider = false;
        };
        // Every agent met, found through Index by the hash of its whole text.
        std::vector<Answer> Known;
        RecordIndex Index;
        // The agents met lately, by a few of their bytes: most lines find their agent here
        // without hashing all of it. A slot names the same copy as Known.
        std::vector<Answer> Lately;
        void Clear() {
            Known.clear();
            Index.Clear();
            Lately.clear();
        }
    } SpiderMemo;
    // (Browser answers per distinct user agent are the tables' own: AnalysisTables::Agents.)
    // The previous request's user agent and its answer: a visitor's requests come in runs.
    std::string_view LastAgent;
    bool LastAgentSpider = false;

    // The readers of the run's lines in formats other than common/combined, by
    // LogEntry::Format (slot 0 stays empty), and by what they read (FormatLines.cpp).
    std::vector<std::unique_ptr<LineFormat>> LineFormats;
    std::unordered_map<std::string, uint16_t> LineFormatSlots;
    // Decoded fields of the line being read; emptied per line.
    TextArena LineScratch;

    // Appends a message line to the processing log.
    void AddToLog(std::string_view text);
    // Empties every table and report page for a new run, and rebuilds the search-engine table.
    // The texts of the files named in keepTextsOf are set aside while unchanged
    // (AnalysisTables::Clear): a run passes the files it is about to read.
    void ClearAllData(const std::vector<std::string>& keepTextsOf = {});
    // Empties the report pages (rows, combo, raw log, charts).
    void ClearLists();
    // Sets the front end; nullptr means nobody is watching.
    void SetHost(RunHost* host) { Host = host ? host : &nullHost_; }

private:
    NullHost nullHost_;
};

} // namespace trevix
