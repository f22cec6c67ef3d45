#include "engine/run/AnalysisRun.h"

#include "engine/Analyser.h"
#include "engine/IncompleteInputs.h"
#include "engine/analysis/Conversions.h"
#include "engine/analysis/DateReport.h"
#include "engine/analysis/ListFilling.h"
#include "engine/read/LogReader.h"
#include "engine/analysis/SearchTerms.h"
#include "engine/SortSettings.h"
#include "engine/parse/FilterValues.h"
#include "engine/parse/TimeStamps.h"
#include "engine/analysis/VisitorPass.h"
#include "engine/base/SharedTasks.h"

#include <array>
#include <filesystem>

namespace trevix {

namespace {

// Below this many referrers and visitors a second thread costs more than it saves.
constexpr uint32_t ParallelPassesFrom = 20000;

constexpr const char* CrLf = "\r\n";

// A name counts as an existing log file when something other than a folder is there.
bool LogFileExists(const std::string& name) {
    std::error_code ec;
    auto status = std::filesystem::status(name, ec);
    // A folder exists: the reader then says why it cannot be read.
    return !ec && std::filesystem::exists(status);
}

// A filtered run covers the period of the entries it counted, not of every line read. Any
// run covers at least its counted entries, which a log out of time order spreads beyond its
// first and last lines.
void CoveredPeriod(Analyser& a) {
    AnalysisTables& t = a.Tables;
    const EntryFilters& f = a.Filters;
    if (f.AnyOn()) {
        t.FirstDateTime = t.AcceptedFirst.empty() ? std::string() : t.AcceptedFirst.Text();
        t.LastDateTime = t.AcceptedLast.empty() ? std::string() : t.AcceptedLast.Text();
        return;
    }
    if (t.AcceptedFirst.empty()) return;
    if (StampEarlier(t.AcceptedFirst, StampRef::FromText(t.FirstDateTime))) t.FirstDateTime = t.AcceptedFirst.Text();
    if (StampEarlier(StampRef::FromText(t.LastDateTime), t.AcceptedLast)) t.LastDateTime = t.AcceptedLast.Text();
}

} // namespace

// Each task writes only its own lists and tables and reads none that another writes, so two
// threads share them, in this order, each taking the next when done. The search lists wait for
// the referrer pass, which makes them in the same task.
void FillListsFromTables(Analyser& a, bool twoThreads) {
    const std::array<void (*)(Analyser&), 5> tasks = {
        [](Analyser& r) {
            RunVisitorPass(r);
            DisplayDateReport(r, false);
        },
        [](Analyser& r) {
            ReferrerPass(r);
            FillSearchLists(r);
        },
        FillFileList,
        FillBrowserLists,
        FillErrorList,
    };
    ShareTasks(tasks.size(), twoThreads, [&](size_t i) { tasks[i](a); });
}

bool StartAddressMasks(Analyser& a) {
    const std::optional<AnonymiseMode> mode = AnonymiseModeNamed(a.CurrentProfile.Anonymise);
    if (!mode) return false;
    std::string key;
    if (*mode == AnonymiseMode::Hash) {
        std::optional<std::string> bytes = AnonymiseKeyFromHex(a.CurrentProfile.AnonymiseKey);
        if (!bytes) return false;
        key = std::move(*bytes);
    }
    a.Tables.Masks.Start(*mode, std::move(key));
    return true;
}

std::string SummaryText(Analyser& a, int filesLoaded, int filesNotRead) {
    AnalysisTables& t = a.Tables;
    std::string s = "Loaded " + std::to_string(filesLoaded) + (filesLoaded == 1 ? " log file" : " log files") +
                    (filesNotRead > 0 ? " (" + std::to_string(filesNotRead) + " could not be read)" : std::string());
    const bool period = !t.FirstDateTime.empty() || !t.LastDateTime.empty();
    if (!period) {
        // No period to name: say why rather than print two empty dates.
        s += t.EntryCount == 0 && t.LinesFiltered > 0 ? "; no log line passed the filters" : "; no log line was read";
    } else {
        s += " covering " + LogTimeToLocal(a, t.FirstDateTime, true) + " to " + LogTimeToLocal(a, t.LastDateTime, true);
    }

    // From here on the two stamps are kept in their ISO form.
    t.FirstDateTime = LogDateToIso(t.FirstDateTime);
    t.LastDateTime = LogDateToIso(t.LastDateTime);
    if (period) {
        auto first = DateTime::ParseIso(t.FirstDateTime);
        auto last = DateTime::ParseIso(t.LastDateTime);
        const int64_t duration = first && last ? last->Seconds() - first->Seconds() : 0;
        s += " (total duration " + DisplayTime(duration, false) + ")";
    }

    s += CrLf;
    s +=
        "Total hits: " + FormatCount(a, t.EntryCount) + " (of which spiders " + FormatCount(a, t.SpiderHits) + ")" + CrLf;
    s += "Unique IP's: " + FormatCount(a, t.VisitorCount());
    if (t.VisitorCount() != 0) {
        const double average = (static_cast<double>(t.EntryCount) - static_cast<double>(t.SpiderHits)) /
                               static_cast<double>(t.VisitorCount());
        s += ", average " + a.NumberFormat.FormatNumber(average, "#,##0.000") + " files per IP.";
    }
    s += CrLf;
    s += "Bandwidth used: " + FormatCount(a, t.TotalMegabytes) + " MB.";
    // A filtered report says what it leaves out.
    if (std::string filters = FiltersLine(a.Filters); !filters.empty()) s += CrLf + filters;
    if (t.Masks.Mode() == AnonymiseMode::Truncate)
        s += CrLf + std::string("Visitors' addresses were shortened to their networks (IPv4 /24, IPv6 /48, a host "
                                "name's last two labels): each visitor is a network.");
    else if (t.Masks.Mode() == AnonymiseMode::Hash)
        s += CrLf + std::string("Visitors' addresses were replaced by keyed hashes.");
    return s;
}

RunResult AnalyseLogFiles(Analyser& a, const RunRequest& request) {
    RunResult result;
    // The texts of the previous run's files wait aside: a file unchanged since is not read again.
    a.ClearAllData(request.Files);
    struct ReleaseKept {
        AnalysisTables& t;
        ~ReleaseKept() { t.KeptTexts.clear(); }
    } releaseKept{a.Tables};
    // A Cancel of an earlier run must not cut short a run that reads no file at all.
    a.Tables.Cancelled = false;

    auto push = [&](RecentList list, std::string_view text) {
        if (request.PushRecent) request.PushRecent(list, text);
    };
    if (a.Filters.LogTextOn) push(RecentList::Filters, a.Filters.LogText);
    if (a.Filters.FileOn) push(RecentList::FilterFiles, a.Filters.FileText);

    a.CurrentProfile = request.Profile;
    // A site that asks for its visitors' addresses to be kept private is never read with them
    // as logged: without a usable setting nothing is read.
    if (!StartAddressMasks(a)) {
        a.Host->ShowMessage(MessageIcon::Critical, "Visitors' addresses",
                            "The site profile '" + a.CurrentProfile.SiteName +
                                "' asks for visitors' addresses to be replaced, but its setting or key cannot "
                                "be used. Choose the setting again in the site's profile.");
        for (const std::string& name : request.Files)
            if (!name.empty()) ++result.FilesUnreadable;
        return result;
    }

    a.Tables.CurrentFileNumber = 0;
    for (const std::string& name : request.Files) {
        if (name.empty()) continue;
        if (!LogFileExists(name)) {
            a.Host->ShowMessage(MessageIcon::Critical, "File does not exist",
                                std::string("The file:\r\n\r\n") + name +
                                    "\r\n\r\ndoes not exist. Please check the filename and try again.");
            ++result.FilesMissing;
            continue;
        }
        ++a.Tables.CurrentFileNumber;
        if (LoadFile(a, name)) {
            ++result.FilesLoaded;
            push(RecentList::Files, name);
        } else {
            ++result.FilesUnreadable;
        }
        if (a.Tables.Cancelled) {
            ++result.FilesCancelled;
            result.CancelledFile = name;
        }
    }

    // What the run did not take is no file of it any more.
    a.Tables.KeptTexts.clear();
    result.FilesReused = static_cast<int>(a.Tables.TextsReused);

    // The page reads the counted lines where they are; a stopped last file shows none, as its
    // lists are empty too.
    a.Lists.RawLogVisible = a.Options.ShowRawLog && !a.Tables.Cancelled;

    result.LastFileCancelled = a.Tables.Cancelled;
    if (!a.Tables.Cancelled) {
        a.Host->SetStatus("Displaying report...");
        a.Lists.State.OutOfDate = false;
        a.Lists.State.Shown = true;

        CoveredPeriod(a);
        a.Lists.Summary = SummaryText(a, result.FilesLoaded, result.FilesMissing + result.FilesUnreadable);
        FillCountries(a);
        FillListsFromTables(a, a.Tables.ReferrerCount() + a.Tables.VisitorCount() >= ParallelPassesFrom);
        ApplySortSettings(a.Lists, a.Store, a.NumberFormat);
    }

    // What follows runs after a cancelled last file too.
    // Notes of the format each file was read as are no reason to look at the log.
    a.Lists.ErrorsLabelVisible = a.Tables.ErrorLogText.size() > a.Tables.FormatNoteBytes;
    a.Host->SetStatus("Done");
    for (const std::string& goal : request.AutoConversionReports)
        GenerateConversionsReport(a, goal, false);
    // A cancelled run saves nothing: the previous automatic report stays as it was. Nor does a
    // run whose log changed under it: its report may hold texts the log never had.
    if (a.Options.AutoReport && request.WriteAutoReport && !a.Tables.Cancelled && !AnyInputChanged(a))
        request.WriteAutoReport(a);
    return result;
}

} // namespace trevix
