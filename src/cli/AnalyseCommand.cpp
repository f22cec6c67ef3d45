#include "AnalyseCommand.h"

#include "CliArguments.h"
#include "CliHost.h"
#include "OverlaySettingsStore.h"
#include "OutputChecks.h"
#include "ReportPrinter.h"
#include "config/CountryCache.h"
#include "config/DataFolder.h"
#include "config/Options.h"
#include "config/QtSettingsStore.h"
#include "config/RecentLists.h"
#include "config/ReferenceDataLoader.h"
#include "config/SiteProfiles.h"
#include "AnonymiseKeyFile.h"
#include "engine/tables/Anonymise.h"
#include "engine/Analyser.h"
#include "engine/IncompleteInputs.h"
#include "engine/base/AtomicFile.h"
#include "engine/formats/FormatChoice.h"
#include "engine/run/AnalysisRun.h"
#include "engine/analysis/Conversions.h"
#include "engine/lists/ListSorting.h"
#include "engine/read/LogReader.h"
#include "engine/parse/FilterValues.h"
#include "engine/parse/TimeStamps.h"
#include "engine/analysis/VisitorPass.h"
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
#include <memory>
#include <new>
#include <optional>
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
    return value ? a.NumberFormat.FormatDateTime(ToLocalTime(a, *value, true)) : std::string();
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

// What the steps of one command share, in the order the command builds it (and so the reverse
// of the order it is taken down: the file group's temporaries go first, the settings last).
struct AnalyseState {
    AnalyseState(const CliArguments& args, std::ostream& out, std::ostream& err, bool endsProcess)
        : Args(args), Out(out), Err(err), Host(err), EndsProcess(endsProcess) {}
    ~AnalyseState() {
        if (EndsProcess) (void)Owned.release();
    }
    AnalyseState(const AnalyseState&) = delete;
    AnalyseState& operator=(const AnalyseState&) = delete;

    Analyser& Analysis() { return *Owned; }

    const CliArguments& Args;
    std::ostream& Out;
    std::ostream& Err;
    EntryFilters Filters;
    // The user's settings are read, never written: every change stays in the overlay.
    std::unique_ptr<QtSettingsStore> BaseStore;
    std::optional<OverlaySettingsStore> Store;
    CliHost Host;
    std::unique_ptr<Analyser> Owned;
    bool EndsProcess;
    RecentLists Recent;
    SiteProfileList Profiles;
    RunRequest Request;
    // Every file the command writes goes into this group and is replaced only once all are
    // complete; whatever is left in it when the command ends early is removed.
    AtomicFileGroup Saves;
    std::string AutoReportPath;
    bool AutoReportFailed = false;
    std::string DataFolder;
    RunResult Result;
    bool SaveFailed = false;
    // What the command is doing, named when memory runs out.
    std::string Stage;
};

// An exit status ends the command; nothing lets it go on to the next step.
using Outcome = std::optional<int>;

// Every option value is checked before any work is done.
Outcome CheckOptionValues(const AnalyseState& st) {
    const CliArguments& args = st.Args;
    for (const auto& [key, value] : args.Sets)
        if (!KnownOption(key)) return Fail(st.Err, "unknown option key in --set: " + key);
    for (const std::string& name : args.Lists) {
        ReportLists probe;
        if (!FindListByName(probe, name)) return Fail(st.Err, "unknown list name: " + name);
    }
    for (const SortRequest& s : args.Sorts) {
        ReportLists probe;
        ReportList* list = FindListByName(probe, s.List);
        if (!list) return Fail(st.Err, "unknown list name in --sort: " + s.List);
        // Comparison columns exist only once the other report is loaded: checked then.
        if (args.Compares.empty() && ColumnOf(*list, s.Column) == 0)
            return Fail(st.Err, "unknown column in --sort: " + s.Column);
    }
    return std::nullopt;
}

Outcome ReadFilters(AnalyseState& st) {
    const CliArguments& args = st.Args;
    EntryFilters& filters = st.Filters;
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
        if (!from || !to) return Fail(st.Err, "--filter-date: not a calendar date");
        filters.DateOn = true;
        filters.DateIs = !args.FilterDate->Negated;
        filters.DateBetween = !args.FilterDate->To.empty();
        filters.Date1 = *from;
        filters.Date2 = *to;
    }
    // The values were checked when the arguments were read.
    std::string error;
    if (args.FilterStatus) {
        filters.StatusOn = true;
        filters.StatusIs = !args.FilterStatus->Negated;
        filters.Status = *ParseStatusFilter(args.FilterStatus->Text, error);
    }
    if (args.FilterAddress) {
        filters.AddressOn = true;
        filters.AddressIs = !args.FilterAddress->Negated;
        filters.Address = *ParseAddressFilter(args.FilterAddress->Text, error);
    }
    if (args.FilterReferrer) {
        filters.ReferrerOn = true;
        filters.ReferrerContains = !args.FilterReferrer->Negated;
        filters.ReferrerText = args.FilterReferrer->Text;
    }
    if (args.FilterAgent) {
        filters.AgentOn = true;
        filters.AgentContains = !args.FilterAgent->Negated;
        filters.AgentText = args.FilterAgent->Text;
    }
    if (args.Only) filters.Only = *ParseOnlyFilter(*args.Only, error);
    return std::nullopt;
}

// The country's code is known only once the country list is read; the list is read for the
// filter even when the country report is off.
Outcome ReadCountryFilter(AnalyseState& st) {
    const CliArguments& args = st.Args;
    if (!args.FilterCountry) return std::nullopt;
    Analyser& a = st.Analysis();
    if (!a.Reference.CountriesLoaded) LoadCountryData(a.Reference, st.Host, st.DataFolder);
    std::string error;
    auto country = ParseCountryFilter(args.FilterCountry->Text, a.Reference, error);
    if (!country) return Fail(st.Err, "--filter-country: " + error);
    st.Filters.CountryOn = true;
    st.Filters.CountryIs = !args.FilterCountry->Negated;
    st.Filters.Country = std::move(*country);
    return std::nullopt;
}

// The arguments, then the targets: no output may replace an input or another output.
Outcome CheckArguments(AnalyseState& st) {
    if (Outcome end = CheckOptionValues(st)) return end;
    if (std::string why = CheckOutputs(OutputsOf(st.Args, {}), InputsOf(st.Args)); !why.empty())
        return Fail(st.Err, why);
    return ReadFilters(st);
}

void OpenSettingsStore(AnalyseState& st) {
    st.BaseStore = OpenSettings(st.Args.SettingsFile, st.Err);
    st.Store.emplace(st.BaseStore.get());
    bool autoReportAsked = false;
    for (const auto& [key, value] : st.Args.Sets) {
        st.Store->SaveSetting("Options", key, value);
        autoReportAsked |= key == "AutoReport";
    }
    // No file is written unasked.
    if (!autoReportAsked) st.Store->SaveSetting("Options", "AutoReport", "No");
}

// Visitors' addresses as --anonymise and --anonymise-key-file ask, else as the site's profile
// does. A hash needs a key: the profile's or the file's; a run never falls back to the
// addresses as logged.
Outcome ChooseAnonymise(AnalyseState& st) {
    const CliArguments& args = st.Args;
    SiteProfile& profile = st.Request.Profile;
    if (args.Anonymise) profile.Anonymise = *args.Anonymise;
    if (args.AnonymiseKeyFile) {
        std::string why;
        if (!ReadAnonymiseKeyFile(*args.AnonymiseKeyFile, profile.AnonymiseKey, why)) return Fail(st.Err, why);
    }
    const std::optional<AnonymiseMode> mode = AnonymiseModeNamed(profile.Anonymise);
    if (!mode)
        return Fail(st.Err, "the site profile " + profile.SiteName + " has an unknown setting for visitors' addresses (" +
                                profile.Anonymise + "); choose one with --anonymise");
    if (*mode == AnonymiseMode::Hash && !AnonymiseKeyFromHex(profile.AnonymiseKey))
        return Fail(st.Err, profile.AnonymiseKey.empty()
                                ? "--anonymise hash needs a key: a site profile that holds one (--site NAME) or "
                                  "--anonymise-key-file F"
                                : "the key of site profile " + profile.SiteName +
                                      " cannot be used; give one with --anonymise-key-file F");
    return std::nullopt;
}

// The site of the run: an ad-hoc one from --domain, a stored one by name, else the first stored.
Outcome ChooseProfile(AnalyseState& st) {
    const CliArguments& args = st.Args;
    RunRequest& request = st.Request;
    const std::vector<SiteProfile>& profiles = st.Profiles.Items;
    if (!args.Domains.empty() || args.SeparateDomains) {
        request.Profile.SiteName = "Command line";
        request.Profile.Domains = args.Domains;
        request.Profile.DifferentDomains = args.SeparateDomains;
    } else if (args.Site) {
        auto it = std::find_if(profiles.begin(), profiles.end(),
                               [&](const SiteProfile& p) { return p.SiteName == *args.Site; });
        if (it == profiles.end()) return Fail(st.Err, "no stored site profile named " + *args.Site);
        request.Profile = *it;
    } else if (!profiles.empty()) {
        request.Profile = profiles.front();
    }
    if (args.LogFormat) {
        request.Profile.LogFormat = *args.LogFormat;
    } else if (!args.Load) {
        // A hand-edited settings file may hold a format string the reader cannot use: every
        // line would be rejected, so nothing is read.
        std::string why;
        MakeLineFormat(FormatChoiceOf(request.Profile.LogFormat), why);
        if (!why.empty())
            return Fail(st.Err, "the log format of site profile " + request.Profile.SiteName +
                                    " cannot be used: " + why + "; choose one with --log-format");
    }
    if (!args.Load) return ChooseAnonymise(st);
    return std::nullopt;
}

// The automatic report's name is known once the site is, so it is checked with the other
// outputs before any log is read.
Outcome PlanAutoReport(AnalyseState& st) {
    Analyser& a = st.Analysis();
    if (a.Options.AutoReport && !st.Args.Load) {
        a.CurrentProfile = st.Request.Profile;
        st.AutoReportPath = AutoReportPath(a);
        if (std::string why = CheckOutputs(OutputsOf(st.Args, st.AutoReportPath), InputsOf(st.Args)); !why.empty())
            return Fail(st.Err, why);
    }
    st.Request.WriteAutoReport = [&st](Analyser& run) {
        if (CliHost::Interrupted()) return;
        st.AutoReportFailed = !AddAutoReport(run, st.AutoReportPath, st.Args.LogFiles, st.Saves);
        RaiseForTest("write");
    };
    return std::nullopt;
}

// Settings, options, site, the run's request and the reference data: all but the reading.
Outcome PrepareRun(AnalyseState& st) {
    CliHost::CatchInterrupt();
    OpenSettingsStore(st);
    st.Owned = std::make_unique<Analyser>();
    Analyser& a = st.Analysis();
    a.SetHost(&st.Host);
    a.Store = &*st.Store;
    LoadOptions(*st.Store, a.Options);
    a.Options.TemporaryFilesFolder = CountryCacheFolder();   // inflated logs too large for memory
    LoadRecentAndProfiles(*st.Store, a.Options, st.Recent, st.Profiles);
    st.Request.Files = st.Args.LogFiles;
    if (Outcome end = ChooseProfile(st)) return end;
    st.Request.AutoConversionReports = st.Request.Profile.AutoConversionReports;
    st.Request.PushRecent = [&st](RecentList list, std::string_view text) {
        RecentLists& recent = st.Recent;
        auto& target = list == RecentList::Files     ? recent.RecentFiles
                       : list == RecentList::Filters ? recent.RecentFilters
                                                     : recent.RecentFilterFiles;
        const ProgramOptions& options = st.Analysis().Options;
        PushRecent(target, list == RecentList::Files ? options.MaxRecentFiles : options.MaxRecentFilters, text);
    };
    if (Outcome end = PlanAutoReport(st)) return end;
    st.DataFolder = FindDataFolder();
    try {
        LoadAllReferenceData(*st.Store, a.Options, a.Reference, st.Host, st.DataFolder);
    } catch (const std::bad_alloc&) {
        st.Err << "trevix-cli: error: Not enough memory to load the reference data from " << st.DataFolder << "\n";
        return 2;
    }
    a.LocalTimeBias = ReadLocalTimeBias();
    if (Outcome end = ReadCountryFilter(st)) return end;
    a.Filters = st.Filters;
    if (CliHost::Interrupted()) return Cancelled(st.Err);
    return std::nullopt;
}

// A saved report instead of log files; the loader has put any failure on stderr.
Outcome ReadLogsOrLoadReport(AnalyseState& st) {
    if (st.Args.Load) {
        if (!LoadXMLReport(st.Analysis(), *st.Args.Load, false)) return CliHost::Interrupted() ? Cancelled(st.Err) : 2;
    } else {
        st.Result = AnalyseLogFiles(st.Analysis(), st.Request);
    }
    return std::nullopt;
}

void MakeConversionReports(AnalyseState& st) {
    for (const std::string& goal : st.Args.Conversions) GenerateConversionsReport(st.Analysis(), goal, false);
}

// Comparisons merge into the report and conversion reports made so far.
Outcome CompareReports(AnalyseState& st) {
    Analyser& a = st.Analysis();
    for (const std::string& other : st.Args.Compares)
        if (!LoadXMLReport(a, other, true)) return CliHost::Interrupted() ? Cancelled(st.Err) : 2;
    if (!st.Args.Compares.empty() && a.Tables.CurrentConversionReport > 0)
        DisplayConversionsReport(a, a.Tables.CurrentConversionReport);
    return std::nullopt;
}

// The report the command prints and saves: read or loaded, its conversion reports, then the
// comparisons. Running out of memory ends the run with a message, not an abort: the tables so
// far are let go first, then the user learns which file and how far.
Outcome BuildReport(AnalyseState& st) {
    std::string memoryMessage;
    try {
        if (Outcome end = ReadLogsOrLoadReport(st)) return end;
        if (CliHost::Interrupted()) return Cancelled(st.Err);
        MakeConversionReports(st);
        if (Outcome end = CompareReports(st)) return end;
    } catch (const std::bad_alloc&) {
        memoryMessage = st.Args.Load ? "Not enough memory to load " + *st.Args.Load : NotEnoughMemoryText(st.Analysis());
    }
    if (!memoryMessage.empty()) {
        st.Owned.reset();   // the memory goes back before anything else is done
        st.Err << "trevix-cli: error: " << memoryMessage << "\n";
        return 2;
    }
    if (CliHost::Interrupted()) return Cancelled(st.Err);
    return std::nullopt;
}

Outcome SortLists(AnalyseState& st) {
    Analyser& a = st.Analysis();
    for (const SortRequest& s : st.Args.Sorts) {
        ReportList* list = FindListByName(a.Lists, s.List);
        if (!list) return Fail(st.Err, "unknown list name in --sort: " + s.List);
        int column = ColumnOf(*list, s.Column);
        if (column == 0) return Fail(st.Err, "unknown column in --sort: " + s.Column);
        int order = s.Order;
        SortList(*list, column, order, a.NumberFormat);
    }
    return std::nullopt;
}

// A report that lacks a file the user asked for must not replace a good one: true when the
// outputs are refused for that, said on stderr.
bool OutputsRefused(AnalyseState& st) {
    const CliArguments& args = st.Args;
    std::ostream& err = st.Err;
    if (st.Host.FileFailed) {
        if (args.XmlOut) err << "trevix-cli: error: report not saved to " << *args.XmlOut << ": a log file could not be read\n";
        if (args.CsvDir || args.HtmlOut) err << "trevix-cli: error: exports not written: a log file could not be read\n";
        if (st.Saves.Size() > 0)
            err << "trevix-cli: error: automatic report not saved to " << st.AutoReportPath << ": a log file could not be read\n";
        st.SaveFailed = st.Saves.Size() > 0 || args.XmlOut || args.CsvDir || args.HtmlOut;
        return true;
    }
    if (AnyInputChanged(st.Analysis())) {
        // Nor one that a log changed under: it may hold texts the log never had (the warning
        // of the changed file gives exit status 3).
        if (args.XmlOut) err << "trevix-cli: warning: report not saved to " << *args.XmlOut << ": a log file changed while it was read\n";
        if (args.CsvDir || args.HtmlOut) err << "trevix-cli: warning: exports not written: a log file changed while it was read\n";
        st.Saves.Discard();
        return true;
    }
    return false;
}

// --xml, --csv and --html into their temporary files. The writers put their own failures on
// stderr.
void WriteOutputs(AnalyseState& st) {
    const CliArguments& args = st.Args;
    std::ostream& err = st.Err;
    Analyser& a = st.Analysis();
    st.SaveFailed = st.AutoReportFailed;
    if (OutputsRefused(st)) return;
    if (!st.SaveFailed && args.XmlOut) {
        st.Stage = "save " + *args.XmlOut;
        st.SaveFailed = !WriteXMLReport(a, st.Saves.Add(*args.XmlOut), args.LogFiles);
        RaiseForTest("write");
    }
    std::string why;
    if (!st.SaveFailed && args.CsvDir) {
        st.Stage = "write the CSV files in " + *args.CsvDir;
        st.SaveFailed = !AddListsAsCsv(a.Lists, *args.CsvDir, st.Saves, why);
        if (st.SaveFailed) err << "trevix-cli: cannot write CSV file " << why << "\n";
        RaiseForTest("write");
    }
    if (!st.SaveFailed && args.HtmlOut) {
        st.Stage = "write " + *args.HtmlOut;
        st.SaveFailed = !WriteHtmlReport(a.Lists, a.CurrentProfile.SiteName, st.Saves.Add(*args.HtmlOut), why);
        if (st.SaveFailed) err << "trevix-cli: cannot write " << *args.HtmlOut << ": " << why << "\n";
    }
}

// Nothing is replaced after a cancel or when any file could not be written: the old files are
// never left a mixture of old and new.
Outcome ReplaceOutputs(AnalyseState& st) {
    if (CliHost::Interrupted()) return Cancelled(st.Err);
    if (st.SaveFailed) {
        st.Saves.Discard();
        return std::nullopt;
    }
    if (st.Saves.Size() == 0) return std::nullopt;
    st.Stage = "save the report files";
    std::string why;
    if (!st.Saves.Finish(why)) {
        st.Err << "trevix-cli: error: cannot save " << why << "\n";
        st.SaveFailed = true;
        return std::nullopt;
    }
    // Once the first file is renamed into place the rest follow: a signal then waits, and the
    // command ends as if it had come afterwards.
    StopSignalsHeld held;
    if (CliHost::Interrupted()) return Cancelled(st.Err);
    if (!st.Saves.Commit(why, [](size_t) { RaiseForTest("rename"); })) {
        st.Err << "trevix-cli: error: cannot save " << why << "\n";
        st.SaveFailed = true;
    }
    return std::nullopt;
}

void PrintVisitorReports(AnalyseState& st) {
    if (st.Args.Visitors.empty()) return;
    VisitorReport report = BuildVisitorReport(st.Analysis(), st.Args.Visitors);
    st.Out << "\n" << report.Caption << "\n" << TerminalText(report.Summary) << "\n";
    PrintList(st.Out, st.Analysis().Lists.Pages);
}

// The summary, --stats, --list and --visitor on stdout, --log and the warnings on stderr; the
// exit status of the whole command.
int PrintReport(AnalyseState& st) {
    const CliArguments& args = st.Args;
    std::ostream& out = st.Out;
    Analyser& a = st.Analysis();
    st.Stage = "print the report";
    std::string summary = TerminalText(a.Lists.Summary);
    out << summary;
    if (summary.empty() || summary.back() != '\n') out << "\n";
    if (args.Stats) {
        out << "Files loaded: " << st.Result.FilesLoaded << "\n";
        for (const AnalysisTables::FileFormat& file : a.Tables.FilesReadAs)
            out << TerminalText(file.Path)
                << (file.Format.empty() ? std::string(": no known log format") : ": read as " + TerminalText(file.Format))
                << "\n";
        out << "Lines accepted: " << a.Tables.EntryCount << "\n"
            << "Lines rejected: " << a.Tables.LinesRejected << "\n"
            << "First time stamp: " << ShownRunTime(a, a.Tables.FirstDateTime) << "\n"
            << "Last time stamp: " << ShownRunTime(a, a.Tables.LastDateTime) << "\n"
            << "Data folder: " << st.DataFolder << "\n";
    }
    std::vector<const ReportList*> lists;
    for (const std::string& name : args.Lists) lists.push_back(FindListByName(a.Lists, name));
    PrintLists(out, lists, a.NumberFormat);
    PrintVisitorReports(st);
    if (args.ShowLog) st.Err << "Data folder: " << st.DataFolder << "\n" << TerminalText(a.Tables.ErrorLogText);
    // One warning per file that was damaged or held nothing usable.
    for (const IncompleteInput& input : a.Tables.IncompleteInputs)
        st.Err << "trevix-cli: warning: " << TerminalText(input.Text) << "\n";
    if (st.Host.FileFailed || st.SaveFailed) return 2;
    return a.Tables.IncompleteInputs.empty() ? 0 : ExitIncompleteInput;
}

// Every sort, save, export and listing runs under the same guard: running out of memory ends
// the command with a message, and the files it would have replaced stay as they were.
int SortSaveAndPrint(AnalyseState& st) {
    st.Stage = "sort the report";
    try {
        if (Outcome end = SortLists(st)) return *end;
        WriteOutputs(st);
        if (Outcome end = ReplaceOutputs(st)) return *end;
        return PrintReport(st);
    } catch (const std::bad_alloc&) {
        st.Saves.Discard();
        st.Owned.reset();
        st.Err << "trevix-cli: error: Not enough memory to " << st.Stage << "\n";
        return 2;
    }
}

} // namespace

int RunAnalyseCommand(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
                      bool endsProcess) {
    std::string error;
    auto parsed = ParseCliArguments(words, error);
    if (!parsed) return Fail(err, error);
    if (parsed->Help) {
        out << CliUsage();
        return 0;
    }
    AnalyseState st(*parsed, out, err, endsProcess);
    if (Outcome end = CheckArguments(st)) return *end;
    if (Outcome end = PrepareRun(st)) return *end;
    if (Outcome end = BuildReport(st)) return *end;
    return SortSaveAndPrint(st);
}

} // namespace trevix
