#pragma once
// The analysis run: every listed file read, then the report pages built from the tables.
#include "engine/SiteProfile.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class Analyser;

enum class RecentList { Files, Filters, FilterFiles };

// What the run reads from the window. The filters themselves are in Analyser::Filters.
struct RunRequest {
    std::vector<std::string> Files;                    // in list order; empty lines are skipped
    SiteProfile Profile;                               // the selected profile, copied into CurrentProfile
    std::vector<std::string> AutoConversionReports;    // of the selected profile as stored
    // Most-recently-used pushes (file names, filter texts); may be empty.
    std::function<void(RecentList, std::string_view)> PushRecent;
    // Writes the automatic XML report when AutoReport is on; may be empty.
    std::function<void(Analyser&)> WriteAutoReport;
};

struct RunResult {
    int FilesLoaded = 0;       // files actually read
    int FilesMissing = 0;
    int FilesUnreadable = 0;   // there, but could not be opened or read
    bool LastFileCancelled = false;   // the last file was cancelled or could not be opened
    int FilesCancelled = 0;    // files whose reading was cancelled (their earlier lines count)
    std::string CancelledFile; // the last of them
    int FilesReused = 0;       // files not read again: their text of the previous run was taken
};

RunResult AnalyseLogFiles(Analyser& a, const RunRequest& request);

// Starts the replacement of visitors' addresses the current profile asks for; false, with
// nothing started, for an unknown setting or a hash without a usable key.
bool StartAddressMasks(Analyser& a);

// Every list the tables fill after the reading (the visitor, referrer, date, search, file,
// browser and error passes). Two threads share the tasks when asked to; the lists come out the
// same either way.
void FillListsFromTables(Analyser& a, bool twoThreads);

// Summary box text of the current tables (written by the run after the files are read).
// filesNotRead: listed files that were missing or could not be read.
std::string SummaryText(Analyser& a, int filesLoaded, int filesNotRead = 0);

} // namespace trevix
