#include "AnalyseCommand.h"

#include "CliArguments.h"
#include "CliHost.h"
#include "OverlaySettingsStore.h"
#include "OutputChecks.h"
#include "ReportPrinter.h"
#include "config/DataFolder.h"
#include "config/Options.h"
#include "config/QtSettingsStore.h"
#include "config/RecentLists.h"
#include "config/ReferenceDataLoader.h"
#include "config/SiteProfiles.h"
#include "engine/Analyser.h"
#include "engine/AtomicFile.h"
#include "engine/AnalysisRun.h"
#include "engine/Conversions.h"
#include "engine/ListSorting.h"
#include "engine/LogReader.h"
#include "engine/TimeStamps.h"
#include "engine/VisitorPass.h"
#include "report/AutoReport.h"
#include "report/CsvExport.h"
#include "report/HtmlReportWriter.h"
#include "report/XmlReportLoader.h"
#include "report/XmlReportWriter.h"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <new>
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

constexpr int ExitIncompleteInput = 3;

// 130 after Ctrl+C, 143 after SIGTERM, 129 after SIGHUP: the shell's 128 + the signal.
int Cancelled(std::ostream& err) {
    err << "trevix-cli: cancelled; nothing was saved\n";
    return 128 + CliHost::StopSignal();
}

// Tests stop a save at a chosen point instead of racing a timer: TREVIX_TEST_SAVE_SIGNAL=
// TERM:write raises SIGTERM (INT and HUP likewise) once the first file is complete in its
// temporary file, TERM:rename once the first file has been renamed into place. Once only.
void RaiseForTest(std::string_view point) {
    static bool raised = false;
    const char* hook = std::getenv("TREVIX_TEST_SAVE_SIGNAL");
    if (raised || hook == nullptr) return;
    const std::string_view value = hook;
    const size_t colon = value.find(':');
    if (colon == std::string_view::npos || value.substr(colon + 1) != point) return;
    const std::string_view name = value.substr(0, colon);
    const int signal = name == "INT" ? SIGINT : name == "TERM" ? SIGTERM : name == "HUP" ? SIGHUP : 0;
    if (signal == 0) return;
    raised = true;
    std::raise(signal);
}

// Every file the command would write, as CheckOutputs wants them.
std::vector<OutputFile> OutputsOf(const CliArguments& args, const std::string& autoReportPath) {
    std::vector<OutputFile> outputs;
    if (!autoReportPath.empty()) outputs.push_back({"the automatic report " + autoReportPath, autoReportPath, true});
    if (args.XmlOut) outputs.push_back({"--xml " + *args.XmlOut, *args.XmlOut, false});
    if (args.CsvDir) {
        ReportLists probe;
        for (const std::string& path : CsvFilePaths(probe, *args.CsvDir)) outputs.push_back({"--csv file " + path, path, true});
    }
    if (args.HtmlOut) outputs.push_back({"--html " + *args.HtmlOut, *args.HtmlOut, false});
    return outputs;
}

// Every file the command reads.
std::vector<InputFile> InputsOf(const CliArguments& args) {
    std::vector<InputFile> inputs;
    for (const std::string& log : args.LogFiles) inputs.push_back({"one of the log files", log});
    if (args.Load) inputs.push_back({"the report being loaded", *args.Load});
    for (const std::string& other : args.Compares) inputs.push_back({"a report being compared", other});
    inputs.push_back({"the settings file", args.SettingsFile ? *args.SettingsFile : QtSettingsStore::DefaultFilePath()});
    return inputs;
}

// Reads the settings file when it can be read as one; otherwise says why on stderr and the
// run goes on with the defaults. Nothing here opens the file for writing.
std::unique_ptr<QtSettingsStore> OpenSettings(const std::optional<std::string>& explicitPath, std::ostream& err) {
    const std::string path = explicitPath ? *explicitPath : QtSettingsStore::DefaultFilePath();
    std::string why = QtSettingsStore::CheckReadable(path);
    std::unique_ptr<QtSettingsStore> store;
    if (why.empty()) {
        store = explicitPath ? std::make_unique<QtSettingsStore>(path) : std::make_unique<QtSettingsStore>();
        if (!store->ReadCleanly()) {
            why = "it could not be read as a settings file";
            store.reset();
        }
    }
    if (!why.empty()) err << "trevix-cli: warning: settings file " << path << " not read: " << why << "; using the defaults\n";
    return store;
}

// Resolves "3" or "Visitors" to a 1-based column; 0 when there is none (a number too large
// for any list included).
int ColumnOf(const ReportList& list, const std::string& column) {
    if (!column.empty() && std::all_of(column.begin(), column.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        long long n = 0;
        const auto [end, ec] = std::from_chars(column.data(), column.data() + column.size(), n);
        if (ec != std::errc() || end != column.data() + column.size()) return 0;
        return n >= 1 && n <= static_cast<long long>(list.Columns.size()) ? static_cast<int>(n) : 0;
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
    // Every option value is checked before any work is done.
    for (const std::string& name : args.Lists) {
        ReportLists probe;
        if (!FindListByName(probe, name)) return Fail(err, "unknown list name: " + name);
    }
    for (const SortRequest& s : args.Sorts) {
        ReportLists probe;
        ReportList* list = FindListByName(probe, s.List);
        if (!list) return Fail(err, "unknown list name in --sort: " + s.List);
        // Comparison columns exist only once the other report is loaded: checked then.
        if (args.Compares.empty() && ColumnOf(*list, s.Column) == 0)
            return Fail(err, "unknown column in --sort: " + s.Column);
    }
    // No output may replace an input or another output: checked before anything is read.
    if (std::string why = CheckOutputs(OutputsOf(args, {}), InputsOf(args)); !why.empty()) return Fail(err, why);
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

    CliHost::CatchInterrupt();
    // The user's settings are read, never written: every change stays in the overlay.
    std::unique_ptr<QtSettingsStore> base = OpenSettings(args.SettingsFile, err);
    OverlaySettingsStore store(base.get());
    bool autoReportAsked = false;
    for (const auto& [key, value] : args.Sets) {
        store.SaveSetting("Options", key, value);
        autoReportAsked |= key == "AutoReport";
    }
    // No file is written unasked.
    if (!autoReportAsked) store.SaveSetting("Options", "AutoReport", "No");

    CliHost host(err);
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
    // Every file the command writes goes into this group and is replaced only once all are
    // complete; whatever is left in it when the command ends early is removed.
    AtomicFileGroup saves;
    // The automatic report's name is known now, so it is checked with the other outputs
    // before any log is read.
    std::string autoReportPath;
    bool autoReportFailed = false;
    if (a.Options.AutoReport && !args.Load) {
        a.CurrentProfile = request.Profile;
        autoReportPath = AutoReportPath(a);
        if (std::string why = CheckOutputs(OutputsOf(args, autoReportPath), InputsOf(args)); !why.empty())
            return Fail(err, why);
    }
    request.WriteAutoReport = [&](Analyser& run) {
        if (CliHost::Interrupted()) return;
        autoReportFailed = !AddAutoReport(run, autoReportPath, args.LogFiles, saves);
        RaiseForTest("write");
    };
    const std::string dataFolder = FindDataFolder();
    try {
        LoadAllReferenceData(store, a.Options, a.Ref, host, dataFolder);
    } catch (const std::bad_alloc&) {
        err << "trevix-cli: error: Not enough memory to load the reference data from " << dataFolder << "\n";
        return 2;
    }
    a.LocalTimeBias = ReadLocalTimeBias();
    a.Filters = filters;

    if (CliHost::Interrupted()) return Cancelled(err);

    RunResult result;
    // Running out of memory ends the run with a message, not an abort: the tables so far are
    // let go first, then the user learns which file and how far.
    std::string memoryMessage;
    try {
        // A saved report instead of log files; the loader has put any failure on stderr.
        if (args.Load) {
            if (!LoadXMLReport(a, *args.Load, false)) return CliHost::Interrupted() ? Cancelled(err) : 2;
        } else {
            result = AnalyseLogFiles(a, request);
        }
        if (CliHost::Interrupted()) return Cancelled(err);
        for (const std::string& goal : args.Conversions) GenerateConversionsReport(a, goal, false);
        // Comparisons merge into the report and conversion reports made so far.
        for (const std::string& other : args.Compares)
            if (!LoadXMLReport(a, other, true)) return CliHost::Interrupted() ? Cancelled(err) : 2;
        if (!args.Compares.empty() && a.T.CurrentConversionReport > 0)
            DisplayConversionsReport(a, a.T.CurrentConversionReport);
    } catch (const std::bad_alloc&) {
        memoryMessage = args.Load ? "Not enough memory to load " + *args.Load : NotEnoughMemoryText(a);
    }
    if (!memoryMessage.empty()) {
        owned.reset();   // the memory goes back before anything else is done
        err << "trevix-cli: error: " << memoryMessage << "\n";
        return 2;
    }
    if (CliHost::Interrupted()) return Cancelled(err);

    // Every sort, save, export and listing runs under the same guard: running out of memory
    // ends the command with a message, and the files it would have replaced stay as they were.
    std::string stage = "sort the report";
    try {
        for (const SortRequest& s : args.Sorts) {
            ReportList* list = FindListByName(a.Lists, s.List);
            if (!list) return Fail(err, "unknown list name in --sort: " + s.List);
            int column = ColumnOf(*list, s.Column);
            if (column == 0) return Fail(err, "unknown column in --sort: " + s.Column);
            int order = s.Order;
            SortList(*list, column, order, a.Loc);
        }
        // A report that lacks a file the user asked for must not replace a good one. The
        // writers put their own failures on stderr.
        bool saveFailed = autoReportFailed;
        if (host.FileFailed) {
            if (args.XmlOut) err << "trevix-cli: error: report not saved to " << *args.XmlOut << ": a log file could not be read\n";
            if (args.CsvDir || args.HtmlOut) err << "trevix-cli: error: exports not written: a log file could not be read\n";
            if (saves.Size() > 0)
                err << "trevix-cli: error: automatic report not saved to " << autoReportPath << ": a log file could not be read\n";
            saveFailed = saves.Size() > 0 || args.XmlOut || args.CsvDir || args.HtmlOut;
        } else if (AnyInputChanged(a)) {
            // Nor one that a log changed under: it may hold texts the log never had (the
            // warning of the changed file gives exit status 3).
            if (args.XmlOut) err << "trevix-cli: warning: report not saved to " << *args.XmlOut << ": a log file changed while it was read\n";
            if (args.CsvDir || args.HtmlOut) err << "trevix-cli: warning: exports not written: a log file changed while it was read\n";
            saves.Discard();
        } else {
            if (!saveFailed && args.XmlOut) {
                stage = "save " + *args.XmlOut;
                saveFailed = !WriteXMLReport(a, saves.Add(*args.XmlOut), args.LogFiles);
                RaiseForTest("write");
            }
            std::string why;
            if (!saveFailed && args.CsvDir) {
                stage = "write the CSV files in " + *args.CsvDir;
                saveFailed = !AddListsAsCsv(a.Lists, *args.CsvDir, saves, why);
                if (saveFailed) err << "trevix-cli: cannot write CSV file " << why << "\n";
                RaiseForTest("write");
            }
            if (!saveFailed && args.HtmlOut) {
                stage = "write " + *args.HtmlOut;
                saveFailed = !WriteHtmlReport(a.Lists, a.CurrentProfile.SiteName, saves.Add(*args.HtmlOut), why);
                if (saveFailed) err << "trevix-cli: cannot write " << *args.HtmlOut << ": " << why << "\n";
            }
        }
        // Nothing is replaced after a cancel or when any file could not be written: the old
        // files are never left a mixture of old and new.
        if (CliHost::Interrupted()) return Cancelled(err);
        if (saveFailed) {
            saves.Discard();
        } else if (saves.Size() > 0) {
            stage = "save the report files";
            std::string why;
            if (!saves.Finish(why)) {
                err << "trevix-cli: error: cannot save " << why << "\n";
                saveFailed = true;
            } else {
                // Once the first file is renamed into place the rest follow: a signal then
                // waits, and the command ends as if it had come afterwards.
                StopSignalsHeld held;
                if (CliHost::Interrupted()) return Cancelled(err);
                if (!saves.Commit(why, [](size_t) { RaiseForTest("rename"); })) {
                    err << "trevix-cli: error: cannot save " << why << "\n";
                    saveFailed = true;
                }
            }
        }

        stage = "print the report";
        std::string summary = TerminalText(a.Lists.Summary);
        out << summary;
        if (summary.empty() || summary.back() != '\n') out << "\n";
        if (args.Stats) {
            out << "Files loaded: " << result.FilesLoaded << "\n"
                << "Lines accepted: " << a.T.EntryCount << "\n"
                << "Lines rejected: " << a.T.LinesRejected << "\n"
                << "First time stamp: " << ShownRunTime(a, a.T.FirstDateTime) << "\n"
                << "Last time stamp: " << ShownRunTime(a, a.T.LastDateTime) << "\n"
                << "Data folder: " << dataFolder << "\n";
        }
        for (const std::string& name : args.Lists) {
            out << "\n";
            const ReportList& list = *FindListByName(a.Lists, name);
            PrintList(out, list, ExportRowOrder(list, a.Loc));
        }
        if (!args.Visitors.empty()) {
            VisitorReport report = BuildVisitorReport(a, args.Visitors);
            out << "\n" << report.Caption << "\n" << TerminalText(report.Summary) << "\n";
            PrintList(out, a.Lists.Pages);
        }
        if (args.ShowLog) err << "Data folder: " << dataFolder << "\n" << TerminalText(a.T.ErrorLogText);
        // One warning per file that was damaged or held nothing usable.
        for (const IncompleteInput& input : a.T.IncompleteInputs) err << "trevix-cli: warning: " << TerminalText(input.Text) << "\n";
        if (host.FileFailed || saveFailed) return 2;
        return a.T.IncompleteInputs.empty() ? 0 : ExitIncompleteInput;
    } catch (const std::bad_alloc&) {
        saves.Discard();
        owned.reset();
        err << "trevix-cli: error: Not enough memory to " << stage << "\n";
        return 2;
    }
}

} // namespace trevix
