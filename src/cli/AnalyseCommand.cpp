#include "AnalyseCommand.h"

#include "CliArguments.h"
#include "CliHost.h"
#include "OverlaySettingsStore.h"
#include "ReportPrinter.h"
#include "config/DataFolder.h"
#include "config/Options.h"
#include "config/QtSettingsStore.h"
#include "config/RecentLists.h"
#include "config/ReferenceDataLoader.h"
#include "config/SiteProfiles.h"
#include "engine/Analyser.h"
#include "engine/AnalysisRun.h"
#include "engine/Conversions.h"
#include "engine/ListSorting.h"
#include "engine/TimeStamps.h"
#include "engine/VisitorPass.h"
#include "report/AutoReport.h"
#include "report/CsvExport.h"
#include "report/HtmlReportWriter.h"
#include "report/XmlReportLoader.h"
#include "report/XmlReportWriter.h"

#include <algorithm>
#include <memory>
#include <ostream>

namespace trevix {

namespace {

constexpr const char* OptionKeys[] = {"DefaultDownloadFolder", "MaxRecentFiles", "MaxRecentFilters", "MaxRecentDomains",
                                      "HideSearchEngines",     "AnalyseCountries", "CountryInfo", "FTPRename",
                                      "AfterDownload",         "RenameTemplate", "MergeSessions", "ConvertTimes",
                                      "AutoReport",            "DefaultXMLFolder", "ShowRawLog"};

bool KnownOption(const std::string& key) {
    return std::find(std::begin(OptionKeys), std::end(OptionKeys), key) != std::end(OptionKeys);
}

std::optional<DateTime> ReadDate(const std::string& iso) { return DateTime::ParseIso(iso); }

// The run's first or last time stamp in display form; the run leaves them in ISO form.
std::string ShownRunTime(const Analyser& a, const std::string& text) {
    auto value = DateTime::ParseIso(text);
    if (!value) value = StampValue(text);
    return value ? a.Loc.FormatDateTime(ToLocalTime(a, *value, true)) : std::string();
}

int Fail(std::ostream& err, const std::string& message) {
    err << "trevix-cli: " << message << "\n\n" << CliUsage();
    return 1;
}

// Resolves "3" or "Visitors" to a 1-based column.
int ColumnOf(const ReportList& list, const std::string& column) {
    if (!column.empty() && std::all_of(column.begin(), column.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int n = std::stoi(column);
        return n >= 1 && n <= static_cast<int>(list.Columns.size()) ? n : 0;
    }
    for (size_t c = 0; c < list.Columns.size(); ++c)
        if (list.Columns[c].Title == column) return static_cast<int>(c) + 1;
    return 0;
}

} // namespace

int RunAnalyseCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
                      bool endsProcess) {
    std::string error;
    auto parsed = ParseCliArguments(words, error);
    if (!parsed) return Fail(err, error);
    const CliArguments& args = *parsed;
    if (args.Help) {
        out << CliUsage();
        return 0;
    }
    for (const auto& [key, value] : args.Sets)
        if (!KnownOption(key)) return Fail(err, "unknown option key in --set: " + key);
    for (const std::string& name : args.Lists) {
        ReportLists probe;
        if (!FindListByName(probe, name)) return Fail(err, "unknown list name: " + name);
    }
    EntryFilters filters;
    if (args.FilterText) {
        filters.LogTextOn = true;
        filters.LogTextContains = !args.FilterText->Negated;
        filters.LogText = args.FilterText->Text;
    }
    if (args.FilterFile) {
        filters.FileOn = true;
        filters.FileContains = !args.FilterFile->Negated;
        filters.FileText = args.FilterFile->Text;
    }
    if (args.FilterDate) {
        auto from = ReadDate(args.FilterDate->From);
        auto to = args.FilterDate->To.empty() ? from : ReadDate(args.FilterDate->To);
        if (!from || !to) return Fail(err, "--filter-date: not a calendar date");
        filters.DateOn = true;
        filters.DateIs = !args.FilterDate->Negated;
        filters.DateBetween = !args.FilterDate->To.empty();
        filters.Date1 = *from;
        filters.Date2 = *to;
    }

    // The user's settings are read, never written: every change stays in the overlay.
    std::unique_ptr<QtSettingsStore> base =
        args.SettingsFile ? std::make_unique<QtSettingsStore>(*args.SettingsFile) : std::make_unique<QtSettingsStore>();
    OverlaySettingsStore store(base.get());
    bool autoReportAsked = false;
    for (const auto& [key, value] : args.Sets) {
        store.SaveSetting("Options", key, value);
        autoReportAsked |= key == "AutoReport";
    }
    // No file is written unasked.
    if (!autoReportAsked) store.SaveSetting("Options", "AutoReport", "No");

    CliHost host(err);
    CliHost::CatchInterrupt();
    auto owned = std::make_unique<Analyser>();
    Analyser& a = *owned;
    struct Release {
        std::unique_ptr<Analyser>& owned;
        bool endsProcess;
        ~Release() {
            if (endsProcess) (void)owned.release();
        }
    } release{owned, endsProcess};
    a.SetHost(&host);
    a.Store = &store;
    LoadOptions(store, a.Options);
    RecentLists recent;
    SiteProfileList profiles;
    LoadRecentAndProfiles(store, a.Options, recent, profiles);
    LoadAllReferenceData(store, a.Options, a.Ref, host, FindDataFolder());
    a.LocalTimeBias = ReadLocalTimeBias();
    a.Filters = filters;

    RunRequest request;
    request.Files = args.LogFiles;
    if (!args.Domains.empty() || args.SeparateDomains) {
        request.Profile.SiteName = "Command line";
        request.Profile.Domains = args.Domains;
        request.Profile.DifferentDomains = args.SeparateDomains;
    } else if (args.Site) {
        auto it = std::find_if(profiles.Items.begin(), profiles.Items.end(),
                               [&](const SiteProfile& p) { return p.SiteName == *args.Site; });
        if (it == profiles.Items.end()) return Fail(err, "no stored site profile named " + *args.Site);
        request.Profile = *it;
    } else if (!profiles.Items.empty()) {
        request.Profile = profiles.Items.front();
    }
    request.AutoConversionReports = request.Profile.AutoConversionReports;
    request.PushRecent = [&](RecentList list, std::string_view text) {
        auto& target = list == RecentList::Files     ? recent.RecentFiles
                       : list == RecentList::Filters ? recent.RecentFilters
                                                     : recent.RecentFilterFiles;
        PushRecent(target, list == RecentList::Files ? a.Options.MaxRecentFiles : a.Options.MaxRecentFilters, text);
    };
    request.WriteAutoReport = AutoReportWriter(args.LogFiles);

    RunResult result;
    // A saved report instead of log files; the loader has put any failure on stderr.
    if (args.Load) {
        if (!LoadXMLReport(a, *args.Load, false)) return 2;
    } else {
        result = AnalyseLogFiles(a, request);
    }
    for (const std::string& goal : args.Conversions) GenerateConversionsReport(a, goal, false);
    // Comparisons merge into the report and conversion reports made so far.
    for (const std::string& other : args.Compares)
        if (!LoadXMLReport(a, other, true)) return 2;
    if (!args.Compares.empty() && a.T.CurrentConversionReport > 0)
        DisplayConversionsReport(a, a.T.CurrentConversionReport);

    for (const SortRequest& s : args.Sorts) {
        ReportList* list = FindListByName(a.Lists, s.List);
        if (!list) return Fail(err, "unknown list name in --sort: " + s.List);
        int column = ColumnOf(*list, s.Column);
        if (column == 0) return Fail(err, "unknown column in --sort: " + s.Column);
        int order = s.Order;
        SortList(*list, column, order, a.Loc);
    }
    // The writer has already put its message on stderr.
    const bool xmlFailed = args.XmlOut && !SaveXMLReport(a, *args.XmlOut, args.LogFiles);
    bool exportFailed = false;
    // An interrupted run leaves the files of an earlier export as they were.
    const bool interrupted = host.IsCancelled();
    if (args.CsvDir && !interrupted) {
        std::string why;
        if (!WriteListsAsCsv(a.Lists, *args.CsvDir, why)) {
            err << "trevix-cli: cannot write CSV file " << why << "\n";
            exportFailed = true;
        }
    }
    if (args.HtmlOut && !interrupted) {
        std::string why;
        if (!WriteHtmlReport(a.Lists, a.CurrentProfile.SiteName, *args.HtmlOut, why)) {
            err << "trevix-cli: cannot write " << *args.HtmlOut << ": " << why << "\n";
            exportFailed = true;
        }
    }

    std::string summary = TerminalText(a.Lists.Summary);
    out << summary;
    if (summary.empty() || summary.back() != '\n') out << "\n";
    if (args.Stats) {
        out << "Files loaded: " << result.FilesLoaded << "\n"
            << "Lines accepted: " << a.T.EntryCount << "\n"
            << "Lines rejected: " << a.T.LinesRejected << "\n"
            << "First time stamp: " << ShownRunTime(a, a.T.FirstDateTime) << "\n"
            << "Last time stamp: " << ShownRunTime(a, a.T.LastDateTime) << "\n";
    }
    for (const std::string& name : args.Lists) {
        out << "\n";
        PrintList(out, *FindListByName(a.Lists, name));
    }
    if (!args.Visitors.empty()) {
        VisitorReport report = BuildVisitorReport(a, args.Visitors);
        out << "\n" << report.Caption << "\n" << TerminalText(report.Summary) << "\n";
        PrintList(out, a.Lists.Pages);
    }
    if (args.ShowLog) err << TerminalText(a.T.ErrorLogText);
    return host.FileFailed || xmlFailed || exportFailed ? 2 : 0;
}

} // namespace trevix
