#include "engine/analysis/Conversions.h"

#include "engine/Analyser.h"
#include "engine/parse/Classification.h"
#include "engine/parse/StoredEntryReader.h"
#include "engine/base/Text.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace trevix {

namespace {

enum Kind { KindReferrer = 0, KindSearchTerm = 1, KindEntryPage = 2 };

const VisitorSession* FirstSession(const Visitor& v) {
    if (v.FirstFile <= 0 || static_cast<size_t>(v.FirstFile) >= v.Sessions.size()) return nullptr;
    return &v.Sessions[static_cast<size_t>(v.FirstFile)];
}

std::string_view FirstReferrer(const Visitor& v) {
    const VisitorSession* s = FirstSession(v);
    return s ? s->Referrer : std::string_view();
}

std::string_view FirstEntryPage(const Visitor& v) {
    const VisitorSession* s = FirstSession(v);
    return s ? s->EntryPage : std::string_view();
}

// Follows the address's chain from the visitor's first entry to its last. Spider requests
// in that chain are skipped: a crawler fetching the goal from the same address is not the
// visitor reaching it.
// A line is read again only when it may hold the goal: without session IDs merged or a host
// put before the file, the requested file is a piece of the line itself.
bool Converted(const AnalysisTables& t, StoredEntryReader& reader, const Visitor& v, std::string_view goal) {
    const bool fileInLine = !t.EntryParsing.MergeSessions && !t.EntryParsing.DifferentDomains;
    for (uint32_t j = v.FirstEntry; j != 0 && j <= t.EntryCount; j = t.LogEntries[j].NextOfAddress) {
        const StoredEntry& stored = t.LogEntries[j];
        if (!stored.IsSpider() && reader.Readable(j) &&
            (!fileInLine || stored.Text().find(goal) != std::string_view::npos)) {
            const LogEntry e = reader.Read(j);
            if (e.File == goal && e.ClientIP == v.IP) return true;
        }
        if (j == v.LastEntry) break;
    }
    return false;
}

// One kind's sources in the order first met, found by text.
struct WorkingList {
    std::vector<ConversionSource> Sources;
    std::unordered_map<std::string, size_t> Position;

    void Credit(std::string source) {
        auto [it, added] = Position.try_emplace(source, Sources.size());
        if (added) {
            ConversionSource s;
            s.Source = std::move(source);
            s.Conversions = 1;
            Sources.push_back(std::move(s));
        } else {
            ++Sources[it->second].Conversions;
        }
    }
};

// Visitors per source: every visitor's first-session text (referrer or entry page) counted
// once, against the sources of one kind.
void CountVisitors(const AnalysisTables& t, std::vector<ConversionSource>& sources, bool referrers) {
    std::unordered_map<std::string_view, int32_t> count;
    for (const ConversionSource& s : sources)
        if (!(referrers && s.Source == "-")) count.emplace(s.Source, 0);
    if (count.empty()) return;
    for (uint32_t n = 1; n <= t.VisitorCount(); ++n) {
        const Visitor& v = t.Visitors[n];
        auto it = count.find(referrers ? FirstReferrer(v) : FirstEntryPage(v));
        if (it != count.end()) ++it->second;
    }
    for (ConversionSource& s : sources) {
        auto it = count.find(s.Source);
        if (it != count.end()) s.Visitors = it->second;
    }
}

} // namespace

// showPage only asks the front end to bring the "Conversions" page forward; the engine has
// no pages to switch, so the caller does that.
void GenerateConversionsReport(Analyser& a, const std::string& goal, bool /*showPage*/) {
    AnalysisTables& t = a.Tables;
    for (uint32_t n = 1; n <= t.ConversionReportCount(); ++n) {
        if (t.ConversionReports[n].File == goal) {
            DisplayConversionsReport(a, static_cast<int>(n));
            return;
        }
    }

    a.Host->SetStatus("Generating Conversion Report for " + goal + " ...");
    const long long maximum = t.VisitorCount() > 0 ? t.VisitorCount() : 1;
    a.Host->SetProgress(0, maximum);
    a.Host->ShowProgress(true);

    std::vector<uint32_t> converted;
    StoredEntryReader reader(a);
    for (uint32_t n = 1; n <= t.VisitorCount(); ++n) {
        if (n % 100 == 0) {
            a.Host->SetProgress(n, maximum);
            a.Host->ProcessEvents();
        }
        if (Converted(t, reader, t.Visitors[n], goal)) converted.push_back(n);
    }
    reader.Finish();

    // The first Referrers record of each converted visitor's first referrer, in one pass.
    std::unordered_map<std::string_view, uint32_t> referrerRecord;
    for (uint32_t n : converted) referrerRecord.emplace(FirstReferrer(t.Visitors[n]), 0);
    size_t unresolved = referrerRecord.size();
    for (uint32_t r = 1; r <= t.ReferrerCount() && unresolved > 0; ++r) {
        auto it = referrerRecord.find(t.Referrers[r].Referrer);
        if (it != referrerRecord.end() && it->second == 0) {
            it->second = r;
            --unresolved;
        }
    }

    std::array<WorkingList, 3> working;
    for (uint32_t n : converted) {
        const Visitor& v = t.Visitors[n];
        const std::string_view r = FirstReferrer(v);
        bool internal = false;
        int32_t term = 0;
        if (uint32_t rec = referrerRecord[r]; rec != 0) {
            internal = t.Referrers[rec].IsInternal;
            term = t.Referrers[rec].IsSearch ? t.Referrers[rec].SearchTermIndex : 0;
        } else {
            // The referrer table holds status-200 requests only; a first request that was
            // not one still names the own site when it came from there.
            internal = IsInternalReferrer(r, a.CurrentProfile);
        }
        const bool hideReferrer = (a.Options.HideSearchEngines && term != 0) || internal;
        if (!hideReferrer && !r.empty()) working[KindReferrer].Credit(std::string(r));
        if (term != 0) working[KindSearchTerm].Credit(std::to_string(term));
        if (std::string_view page = FirstEntryPage(v); !page.empty()) working[KindEntryPage].Credit(std::string(page));
    }

    ConversionReport report;
    report.File = goal;
    for (int k = 0; k < 3; ++k) report.Sources[k] = std::move(working[k].Sources);

    for (ConversionSource& s : report.Sources[KindSearchTerm]) {
        if (s.Source == "-") continue;
        double idx = LeadingNumber(s.Source);
        if (idx >= 1 && idx <= t.SearchTermCount()) {
            const SearchTermRow& row = t.SearchTerms[static_cast<size_t>(idx)];
            s.Query = row.SearchTerm;
            s.SearchEngine = row.SearchEngine;
            s.SourceURL = row.URL;
            s.Visitors = row.Hits;
        }
    }
    CountVisitors(t, report.Sources[KindReferrer], true);
    CountVisitors(t, report.Sources[KindEntryPage], false);
    for (auto& kind : report.Sources)
        for (ConversionSource& s : kind)
            if (s.Visitors != 0)
                s.PercentConversions =
                    a.NumberFormat.FormatNumber(static_cast<double>(s.Conversions) / s.Visitors * 100.0, "0.00");

    t.ConversionReports.push_back(std::move(report));
    a.Lists.ConversionFiles.push_back(goal);
    DisplayConversionsReport(a, static_cast<int>(t.ConversionReportCount()));
    a.Host->ShowProgress(false);
    a.Host->SetStatus("Conversion Report Generated");
}

void DisplayConversionsReport(Analyser& a, int n) {
    const auto Count = [](long long value) { return CellValue(std::to_string(value), static_cast<double>(value)); };
    // The percentages are kept as the text a report file holds, rounded; read as written.
    const auto Percent = [&](const std::string& text) {
        return CellValue(text, text.empty() ? kNoNumber : a.NumberFormat.ParseNumber(text).value_or(kNoNumber));
    };
    AnalysisTables& t = a.Tables;
    if (n < 1 || static_cast<uint32_t>(n) > t.ConversionReportCount()) return;
    const ConversionReport& report = t.ConversionReports[static_cast<size_t>(n)];

    for (int k = 0; k < 3; ++k) {
        ReportList& list = a.Lists[lstConversions0 + k];
        list.Clear();
        list.Sorted = false;
        for (const ConversionSource& s : report.Sources[k]) {
            if (k != KindEntryPage && s.Source == "-") continue;
            size_t row;
            size_t col;
            if (k == KindSearchTerm) {
                row = list.AddRow(s.Query);
                list.SetCell(row, 2, s.SearchEngine);
                list.SetCell(row, 3, s.SourceURL);
                col = 4;
            } else {
                row = list.AddRow(s.Source);
                col = 2;
            }
            list.SetCell(row, col, Count(s.Visitors));
            list.SetCell(row, col + 1, Count(s.Conversions));
            list.SetCell(row, col + 2, Percent(s.PercentConversions));
            if (a.Lists.State.CompareReportLoaded) {
                list.SetCell(row, col + 3, Count(s.CompareVisitors));
                list.SetCell(row, col + 4, Count(s.CompareConversions));
                list.SetCell(row, col + 5, Percent(s.ComparePercentConversions));
            }
        }
    }

    t.CurrentConversionReport = n;
    a.Lists.ConversionFileIndex = n - 1;
    // The engine keeps only the run's copy of the selected profile; its automatic list is the
    // one the user edits through the check box.
    const auto& autoReports = a.CurrentProfile.AutoConversionReports;
    a.Lists.AutoConversionChecked = std::find(autoReports.begin(), autoReports.end(), report.File) != autoReports.end();
    a.Lists.AutoConversionEnabled = true;
}

} // namespace trevix
