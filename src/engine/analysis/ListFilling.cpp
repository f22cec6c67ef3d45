#include "engine/analysis/ListFilling.h"

#include "engine/Analyser.h"
#include "engine/parse/TimeStamps.h"

#include <algorithm>
#include <optional>

namespace trevix {

namespace {

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

} // namespace

std::string FormatCount(const Analyser& a, double value) {
    return a.NumberFormat.FormatNumber(value, "#,##0");
}

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

std::string PercentVisitors(const Analyser& a, long long count, long long visitors) {
    if (visitors == 0) return {};
    // 64-bit: count x 1000 stays exact far beyond any visitor count a log can hold.
    const long long tenths = count * 1000 / visitors;
    return a.NumberFormat.FormatShortDecimal(static_cast<double>(tenths) / 10.0);
}

void FillCountries(Analyser& a) {
    ReportList& list = a.Lists[lstCountries];
    const long long visitors = a.Tables.VisitorCount();
    const long long unknown = visitors - a.Tables.CountryHitsTotal;
    size_t row = list.AddRow("(unknown)", "unknown");
    list.SetCell(row, 2, std::to_string(unknown));
    if (visitors != 0) list.SetCell(row, 3, PercentVisitors(a, unknown, visitors));

    const size_t countries = std::min(a.Reference.CountryList.size(), a.Tables.CountryHits.size());
    for (size_t c = 1; c < countries; ++c) {
        const long long hits = a.Tables.CountryHits[c];
        if (hits == 0) continue;
        const CountryRecord& country = a.Reference.CountryList[c];
        row = list.AddRow(country.Name, country.Code);
        list.SetCell(row, 2, std::to_string(hits));
        if (visitors != 0) list.SetCell(row, 3, PercentVisitors(a, hits, visitors));
    }
}

void FillLists(Analyser& a) {
    const AnalysisTables& t = a.Tables;
    const long long visitors = t.VisitorCount();
    auto percent = [&](long long count) {
        return visitors != 0 ? PercentVisitors(a, count, visitors) : std::string();
    };

    ReportList& terms = a.Lists[lstSearchTerms];
    for (size_t i = 1; i <= t.SearchTermCount(); ++i) {
        const SearchTermRow& s = t.SearchTerms[i];
        AddListRow(terms, "i", {s.SearchTerm, s.SearchEngine, s.URL, s.ToFile, FormatCount(a, s.Hits)});
    }

    ReportList& engines = a.Lists[lstSearchEngines];
    for (size_t i = 1; i < t.SearchEngines.size(); ++i)
        if (t.SearchEngines[i].Hits > 0)
            AddListRow(engines, "i", {t.SearchEngines[i].SearchEngine, FormatCount(a, t.SearchEngines[i].Hits)});

    ReportList& browsers = a.Lists[lstBrowsers];
    for (size_t i = 1; i <= t.RawBrowserCount(); ++i) {
        const RawBrowserRecord& b = t.RawBrowserData[i];
        AddListRow(browsers, "i", {std::string(b.Data), FormatCount(a, b.Hits), percent(b.Hits)});
    }

    // Records 0 and 1 are the built-in unknown browser and system.
    for (const BrowserDefinition& d : a.Reference.BrowserDefinitions) {
        if (d.Hits <= 0) continue;
        AddListRow(a.Lists[d.IsOS ? lstOS : lstWebBrowser], "i", {d.Name, FormatCount(a, d.Hits), percent(d.Hits)});
    }

    ReportList& files = a.Lists[lstFiles];
    for (size_t i = 1; i <= t.FileCount(); ++i) {
        const FileRecord& f = t.Files[i];
        AddListRow(files, "i",
                   {std::string(f.File), FormatCount(a, f.TotalRequests), FormatCount(a, f.Gets), FormatCount(a, f.Reloads),
                    FormatCount(a, f.Resumes), a.NumberFormat.FormatNumber(f.Bytes, "#,##0.00")});
    }

    ReportList& errors = a.Lists[lstErrors];
    for (size_t i = 1; i <= t.ErrorCount(); ++i) {
        const ErrorRecord& e = t.Errors[i];
        AddListRow(errors, "i",
                   {std::to_string(e.Status), std::string(a.Reference.ErrorDescriptionOf(e.Status)),
                    std::string(e.File), std::string(e.Referrer), ErrorTime(a, e.TimeFirst, false),
                    ErrorTime(a, e.TimeLast, true), std::to_string(e.Hits)});
    }
}

} // namespace trevix
