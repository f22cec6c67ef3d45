#include "AnalysisRun.h"

#include "Analyser.h"
#include "Classification.h"
#include "Conversions.h"
#include "DateReport.h"
#include "ListSorting.h"
#include "LogReader.h"
#include "RecordIndex.h"
#include "Text.h"
#include "TimeStamps.h"
#include "VisitorPass.h"

#include <algorithm>
#include <filesystem>
#include <future>
#include <system_error>
#include <initializer_list>
#include <optional>

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

std::string Count(const Analyser& a, double value) {
    return a.Loc.FormatNumber(value, "#,##0");
}

// Appends a row with its cells in column order; the key is the prefix and the new row count.
size_t AddListRow(ReportList& list, std::string_view keyPrefix, std::initializer_list<std::string> cells) {
    std::string key(keyPrefix);
    key += std::to_string(list.RowCount() + 1);
    auto it = cells.begin();
    size_t row = list.AddRow(it == cells.end() ? std::string() : *it, std::move(key));
    size_t column = 2;
    if (it != cells.end())
        for (++it; it != cells.end(); ++it, ++column)
            list.SetCell(row, column, *it);
    return row;
}

void FillCountries(Analyser& a) {
    ReportList& list = a.Lists[lstCountries];
    const long long visitors = a.T.VisitorCount();
    const long long unknown = visitors - a.T.CountryHitsTotal;
    size_t row = list.AddRow("(unknown)", "unknown");
    list.SetCell(row, 2, std::to_string(unknown));
    if (visitors != 0) list.SetCell(row, 3, PercentVisitors(a, unknown, visitors));

    const size_t countries = std::min(a.Ref.CountryList.size(), a.T.CountryHits.size());
    for (size_t c = 1; c < countries; ++c) {
        const long long hits = a.T.CountryHits[c];
        if (hits == 0) continue;
        const CountryRecord& country = a.Ref.CountryList[c];
        row = list.AddRow(country.Name, country.Code);
        list.SetCell(row, 2, std::to_string(hits));
        if (visitors != 0) list.SetCell(row, 3, PercentVisitors(a, hits, visitors));
    }
}

// The value of a search engine's query parameter in a referrer, as written (not decoded);
// nullopt when the referrer has no path or does not carry the parameter.
std::optional<std::string_view> QueryValue(std::string_view referrer, const std::string& parameter) {
    // The path starts at the first "/" after "http://".
    const size_t slash = referrer.find('/', 7);
    if (slash == std::string_view::npos) return std::nullopt;

    const std::string amp = "&" + parameter + "=";
    size_t p = referrer.find(amp, slash);
    if (p != std::string_view::npos) {
        const size_t after = p + amp.size();
        // "q=&q=terms": an empty first value gives way to a later one.
        if (after < referrer.size() && referrer[after] == '&') p = referrer.find(amp, p + 2);
    }
    if (p == std::string_view::npos) p = referrer.find("?" + parameter + "=", slash);
    if (p == std::string_view::npos) return std::nullopt;

    const size_t start = p + parameter.size() + 2;
    size_t end = referrer.find('&', p + 1);
    if (end == std::string_view::npos) end = referrer.size();
    if (start >= end) return std::string_view();
    return referrer.substr(start, end - start);
}

// Search terms merge by their case-folded trimmed text and the engine's name; the index gives
// the first row of that key, as a front-to-back scan of the rows would.
class SearchTermMerger {
public:
    explicit SearchTermMerger(AnalysisTables& t) : t_(t) {
        t_.SearchTermIndex.Clear();
        keys_.assign(t_.SearchTerms.size(), {});
        for (size_t i = 1; i < t_.SearchTerms.size(); ++i) {
            keys_[i] = CaseFoldKey(TrimBlanks(t_.SearchTerms[i].SearchTerm));
            t_.SearchTermIndex.Insert(Hash(keys_[i], t_.SearchTerms[i].SearchEngine), static_cast<uint32_t>(i),
                                      [&](uint32_t j) { return Same(j, keys_[i], t_.SearchTerms[i].SearchEngine); });
        }
    }

    // Adds the referrer's hits to the row of (terms, engine), appending one when new.
    int32_t Credit(const std::string& terms, const std::string& engine, const ReferrerRecord& r) {
        std::string key = CaseFoldKey(TrimBlanks(terms));
        const uint64_t hash = Hash(key, engine);
        uint32_t row = t_.SearchTermIndex.Find(hash, [&](uint32_t i) { return Same(i, key, engine); });
        if (row != 0) {
            t_.SearchTerms[row].Hits += r.Hits;
            return static_cast<int32_t>(row);
        }
        t_.SearchTerms.push_back({terms, engine, r.Hits, std::string(r.Referrer), std::string(r.ToFile)});
        keys_.push_back(std::move(key));
        row = t_.SearchTermCount();
        t_.SearchTermIndex.Insert(hash, row, [](uint32_t) { return false; });   // new key
        return static_cast<int32_t>(row);
    }

private:
    bool Same(uint32_t i, std::string_view key, std::string_view engine) const {
        return keys_[i] == key && t_.SearchTerms[i].SearchEngine == engine;
    }
    static uint64_t Hash(std::string_view key, std::string_view engine) {
        return HashCombine(HashText(key), HashText(engine));
    }
    AnalysisTables& t_;
    std::vector<std::string> keys_; // case-folded trimmed term per row
};

void ReferrerPass(Analyser& a) {
    AnalysisTables& t = a.T;
    const auto& definitions = a.Ref.SearchEngineDefinitions;
    std::vector<std::string> matchTexts(definitions.size());
    for (size_t e = 1; e < definitions.size(); ++e)
        matchTexts[e] = ToLowerAscii(definitions[e].MatchText);

    SearchTermMerger merger(t);
    ReportList& list = a.Lists[lstReferrers];

    for (size_t n = 1; n <= t.ReferrerCount(); ++n) {
        ReferrerRecord& r = t.Referrers[n];
        r.IsSearch = false;
        r.SearchTermIndex = 0;
        r.RowKey.clear();
        const std::string lower = ToLowerAscii(r.Referrer);

        for (size_t e = 1; e < definitions.size() && e < t.EngineOfDefinition.size(); ++e) {
            if (lower.find(matchTexts[e]) == std::string::npos) continue;
            int32_t k = t.EngineOfDefinition[e];
            // Paid clicks carry "gclid"; without an AdWords engine they stay with Google.
            if (k == t.GoogleEngine && t.AdWordsEngine != 0 &&
                r.ToFile.find("gclid") != std::string_view::npos)
                k = t.AdWordsEngine;
            if (k <= 0 || static_cast<size_t>(k) >= t.SearchEngines.size()) continue;
            // Every matching definition is credited, whether or not it yields terms.
            t.SearchEngines[k].Hits += r.Hits;

            auto value = QueryValue(r.Referrer, definitions[e].QueryParameter);
            if (!value) continue;
            std::string terms = DecodeSearchTerms(TrimBlanks(*value));
            if (terms.empty()) continue;
            r.SearchTermIndex = merger.Credit(terms, t.SearchEngines[k].SearchEngine, r);
            r.IsSearch = true;
            break;
        }

        r.IsInternal = IsInternalReferrer(r.Referrer, a.CurrentProfile);
        if (!r.IsInternal && (!a.Options.HideSearchEngines || !r.IsSearch)) {
            size_t row =
                AddListRow(list, "r", {std::string(r.Referrer), std::string(r.ToFile), Count(a, r.Hits)});
            r.RowKey = list.Rows[row].Key;
        }
    }
}

// Earliest (or latest) readable stamp over the per-file slots; on equal values the lower slot
// wins. Empty when no slot holds a readable stamp.
std::string ErrorTime(const Analyser& a, const std::vector<StampRef>& slots, bool latest) {
    const StampRef* best = nullptr;
    std::optional<DateTime> bestValue;
    for (size_t f = 1; f < slots.size(); ++f) {
        if (slots[f].empty()) continue;
        auto value = StampValue(slots[f]);
        if (!value) continue;
        if (!bestValue || (latest ? *value > *bestValue : *value < *bestValue)) {
            best = &slots[f];
            bestValue = value;
        }
    }
    return best ? LogTimeToLocal(a, best->Text(), true) : std::string();
}

void FillLists(Analyser& a) {
    const AnalysisTables& t = a.T;
    const long long visitors = t.VisitorCount();
    auto percent = [&](long long count) {
        return visitors != 0 ? PercentVisitors(a, count, visitors) : std::string();
    };

    ReportList& terms = a.Lists[lstSearchTerms];
    for (size_t i = 1; i <= t.SearchTermCount(); ++i) {
        const SearchTermRow& s = t.SearchTerms[i];
        AddListRow(terms, "i", {s.SearchTerm, s.SearchEngine, s.URL, s.ToFile, Count(a, s.Hits)});
    }

    ReportList& engines = a.Lists[lstSearchEngines];
    for (size_t i = 1; i < t.SearchEngines.size(); ++i)
        if (t.SearchEngines[i].Hits > 0)
            AddListRow(engines, "i", {t.SearchEngines[i].SearchEngine, Count(a, t.SearchEngines[i].Hits)});

    ReportList& browsers = a.Lists[lstBrowsers];
    for (size_t i = 1; i <= t.RawBrowserCount(); ++i) {
        const RawBrowserRecord& b = t.RawBrowserData[i];
        AddListRow(browsers, "i", {std::string(b.Data), Count(a, b.Hits), percent(b.Hits)});
    }

    // Records 0 and 1 are the built-in unknown browser and system.
    for (const BrowserDefinition& d : a.Ref.BrowserDefinitions) {
        if (d.Hits <= 0) continue;
        AddListRow(a.Lists[d.IsOS ? lstOS : lstWebBrowser], "i", {d.Name, Count(a, d.Hits), percent(d.Hits)});
    }

    ReportList& files = a.Lists[lstFiles];
    for (size_t i = 1; i <= t.FileCount(); ++i) {
        const FileRecord& f = t.Files[i];
        AddListRow(files, "i",
                   {std::string(f.File), Count(a, f.TotalRequests), Count(a, f.Gets), Count(a, f.Reloads),
                    Count(a, f.Resumes), a.Loc.FormatNumber(f.Bytes, "#,##0.00")});
    }

    ReportList& errors = a.Lists[lstErrors];
    for (size_t i = 1; i <= t.ErrorCount(); ++i) {
        const ErrorRecord& e = t.Errors[i];
        AddListRow(errors, "i",
                   {std::to_string(e.Status), std::string(a.Ref.ErrorDescriptionOf(e.Status)),
                    std::string(e.File), std::string(e.Referrer), ErrorTime(a, e.TimeFirst, false),
                    ErrorTime(a, e.TimeLast, true), std::to_string(e.Hits)});
    }
}

// A filtered run covers the period of the entries it counted, not of every line read. Any
// run covers at least its counted entries, which a log out of time order spreads beyond its
// first and last lines.
void CoveredPeriod(Analyser& a) {
    AnalysisTables& t = a.T;
    const EntryFilters& f = a.Filters;
    if (f.LogTextOn || f.FileOn || f.DateOn) {
        t.FirstDateTime = t.AcceptedFirst.empty() ? std::string() : t.AcceptedFirst.Text();
        t.LastDateTime = t.AcceptedLast.empty() ? std::string() : t.AcceptedLast.Text();
        return;
    }
    if (t.AcceptedFirst.empty()) return;
    if (StampEarlier(t.AcceptedFirst, StampRef::FromText(t.FirstDateTime))) t.FirstDateTime = t.AcceptedFirst.Text();
    if (StampEarlier(StampRef::FromText(t.LastDateTime), t.AcceptedLast)) t.LastDateTime = t.AcceptedLast.Text();
}

} // namespace

std::string PercentVisitors(const Analyser& a, long long count, long long visitors) {
    if (visitors == 0) return {};
    // 64-bit: count x 1000 stays exact far beyond any visitor count a log can hold.
    const long long tenths = count * 1000 / visitors;
    return a.Loc.FormatShortDecimal(static_cast<double>(tenths) / 10.0);
}

std::string SummaryText(Analyser& a, int filesLoaded, int filesNotRead) {
    AnalysisTables& t = a.T;
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
        "Total hits: " + Count(a, t.EntryCount) + " (of which spiders " + Count(a, t.SpiderHits) + ")" + CrLf;
    s += "Unique IP's: " + Count(a, t.VisitorCount());
    if (t.VisitorCount() != 0) {
        const double average = (static_cast<double>(t.EntryCount) - static_cast<double>(t.SpiderHits)) /
                               static_cast<double>(t.VisitorCount());
        s += ", average " + a.Loc.FormatNumber(average, "#,##0.000") + " files per IP.";
    }
    s += CrLf;
    s += "Bandwidth used: " + Count(a, t.TotalMegabytes) + " MB.";
    return s;
}

RunResult AnalyseLogFiles(Analyser& a, const RunRequest& request) {
    RunResult result;
    a.ClearAllData();
    // A Cancel of an earlier run must not cut short a run that reads no file at all.
    a.T.Cancelled = false;

    auto push = [&](RecentList list, std::string_view text) {
        if (request.PushRecent) request.PushRecent(list, text);
    };
    if (a.Filters.LogTextOn) push(RecentList::Filters, a.Filters.LogText);
    if (a.Filters.FileOn) push(RecentList::FilterFiles, a.Filters.FileText);

    a.CurrentProfile = request.Profile;

    a.T.CurrentFileNumber = 0;
    for (const std::string& name : request.Files) {
        if (name.empty()) continue;
        if (!LogFileExists(name)) {
            a.Host->ShowMessage(MessageIcon::Critical, "File does not exist",
                                std::string("The file:\r\n\r\n") + name +
                                    "\r\n\r\ndoes not exist. Please check the filename and try again.");
            ++result.FilesMissing;
            continue;
        }
        ++a.T.CurrentFileNumber;
        if (LoadFile(a, name)) {
            ++result.FilesLoaded;
            push(RecentList::Files, name);
        } else {
            ++result.FilesUnreadable;
        }
        if (a.T.Cancelled) {
            ++result.FilesCancelled;
            result.CancelledFile = name;
        }
    }

    if (a.Options.ShowRawLog) {
        a.Lists.RawLogText = a.T.RawLog;
        a.Lists.RawLogVisible = true;
    }

    result.LastFileCancelled = a.T.Cancelled;
    if (!a.T.Cancelled) {
        a.Host->SetStatus("Displaying report...");
        a.ReportOutOfDate = false;
        a.ReportShown = true;

        CoveredPeriod(a);
        a.Lists.Summary = SummaryText(a, result.FilesLoaded, result.FilesMissing + result.FilesUnreadable);
        FillCountries(a);
        // The referrer pass shares no table and no list with the visitor pass and the date
        // report, so a large run does it on the second core meanwhile.
        // Without a second thread to be had it runs afterwards.
        std::future<void> referrers;
        if (a.T.ReferrerCount() + a.T.VisitorCount() >= ParallelPassesFrom) {
            try {
                referrers = std::async(std::launch::async, [&a] { ReferrerPass(a); });
            } catch (const std::system_error&) {
            }
        }
        RunVisitorPass(a);
        DisplayDateReport(a, false);
        if (referrers.valid())
            referrers.get();
        else
            ReferrerPass(a);
        FillLists(a);
        ApplySortSettings(a);
    }

    // What follows runs after a cancelled last file too.
    a.Lists.ErrorsLabelVisible = !a.T.ErrorLogText.empty();
    a.Host->SetStatus("Done");
    for (const std::string& goal : request.AutoConversionReports)
        GenerateConversionsReport(a, goal, false);
    // A cancelled run saves nothing: the previous automatic report stays as it was. Nor does a
    // run whose log changed under it: its report may hold texts the log never had.
    if (a.Options.AutoReport && request.WriteAutoReport && !a.T.Cancelled && !AnyInputChanged(a))
        request.WriteAutoReport(a);
    return result;
}

} // namespace trevix
