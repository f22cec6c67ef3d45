#include "engine/analysis/ListFilling.h"

#include "engine/Analyser.h"
#include "engine/parse/TimeStamps.h"

#include <algorithm>
#include <optional>

namespace trevix {

namespace {

// Earliest (or latest) readable stamp over the per-file slots; on equal values the lower slot
// wins. Empty when no slot holds a readable stamp.
CellValue ErrorTime(const Analyser& a, const std::vector<StampRef>& slots, bool latest) {
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
    return best ? DateCell(a, LogTimeValue(a, best->Text(), true)) : CellValue(std::string());
}

} // namespace

std::string FormatCount(const Analyser& a, double value) {
    return a.NumberFormat.FormatNumber(value, "#,##0");
}

CellValue CountCell(const Analyser& a, long long value) {
    return {FormatCount(a, static_cast<double>(value)), static_cast<double>(value)};
}

CellValue NumberCell(const Analyser& a, double value, std::string_view pattern) {
    std::string text = a.NumberFormat.FormatNumber(value, pattern);
    if (text.empty()) return CellValue(std::move(text));
    // Whole values in a pattern without decimals or scaling show as they are; anything
    // rounded is read from the text so the number is exactly what the text says.
    if (value == static_cast<double>(static_cast<long long>(value)) &&
        pattern.find_first_of(".%") == std::string_view::npos)
        return {std::move(text), value};
    const std::optional<double> shown = a.NumberFormat.ParseNumber(text);
    return {std::move(text), shown.value_or(kNoNumber)};
}

CellValue PercentCell(const Analyser& a, long long count, long long visitors) {
    if (visitors == 0) return CellValue(std::string());
    // Tenths divided by ten round to the same double as the shortest decimal text reads as.
    const long long tenths = count * 1000 / visitors;
    return {PercentVisitors(a, count, visitors), static_cast<double>(tenths) / 10.0};
}

CellValue DateCell(const Analyser& a, const std::optional<DateTime>& value) {
    if (!value) return CellValue(std::string());
    return {a.NumberFormat.FormatDateTime(*value), static_cast<double>(value->Seconds())};
}

size_t AddListRow(ReportList& list, std::string_view keyPrefix, std::initializer_list<CellRef> cells) {
    std::string key(keyPrefix);
    key += std::to_string(list.RowCount() + 1);
    if (cells.size() == 0) return list.AddRow(std::string_view(), std::move(key));
    return list.AddRowOf(cells, std::move(key));
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
    list.SetCell(row, 2, CellValue(std::to_string(unknown), static_cast<double>(unknown)));
    if (visitors != 0) list.SetCell(row, 3, PercentCell(a, unknown, visitors));

    const size_t countries = std::min(a.Reference.CountryList.size(), a.Tables.CountryHits.size());
    for (size_t c = 1; c < countries; ++c) {
        const long long hits = a.Tables.CountryHits[c];
        if (hits == 0) continue;
        const CountryRecord& country = a.Reference.CountryList[c];
        row = list.AddRow(country.Name, country.Code);
        list.SetCell(row, 2, CellValue(std::to_string(hits), static_cast<double>(hits)));
        if (visitors != 0) list.SetCell(row, 3, PercentCell(a, hits, visitors));
    }
}

void FillSearchLists(Analyser& a) {
    const AnalysisTables& t = a.Tables;
    ReportList& terms = a.Lists[lstSearchTerms];
    for (size_t i = 1; i <= t.SearchTermCount(); ++i) {
        const SearchTermRow& s = t.SearchTerms[i];
        AddListRow(terms, "i", {s.SearchTerm, s.SearchEngine, s.URL, s.ToFile, CountCell(a, s.Hits)});
    }

    ReportList& engines = a.Lists[lstSearchEngines];
    for (size_t i = 1; i < t.SearchEngines.size(); ++i)
        if (t.SearchEngines[i].Hits > 0)
            AddListRow(engines, "i", {t.SearchEngines[i].SearchEngine, CountCell(a, t.SearchEngines[i].Hits)});
}

void FillBrowserLists(Analyser& a) {
    const AnalysisTables& t = a.Tables;
    const long long visitors = t.VisitorCount();
    auto percent = [&](long long count) {
        return PercentCell(a, count, visitors);
    };

    ReportList& browsers = a.Lists[lstBrowsers];
    for (size_t i = 1; i <= t.RawBrowserCount(); ++i) {
        const RawBrowserRecord& b = t.RawBrowserData[i];
        AddListRow(browsers, "i", {b.Data, CountCell(a, b.Hits), percent(b.Hits)});
    }

    // Records 0 and 1 are the built-in unknown browser and system.
    for (const BrowserDefinition& d : a.Reference.BrowserDefinitions) {
        if (d.Hits <= 0) continue;
        AddListRow(a.Lists[d.IsOS ? lstOS : lstWebBrowser], "i", {d.Name, CountCell(a, d.Hits), percent(d.Hits)});
    }
}

void FillFileList(Analyser& a) {
    const AnalysisTables& t = a.Tables;
    ReportList& files = a.Lists[lstFiles];
    for (size_t i = 1; i <= t.FileCount(); ++i) {
        const FileRecord& f = t.Files[i];
        AddListRow(files, "i",
                   {f.File, CountCell(a, f.TotalRequests), CountCell(a, f.Gets), CountCell(a, f.Reloads),
                    CountCell(a, f.Resumes), NumberCell(a, f.Bytes, "#,##0.00")});
    }
}

void FillErrorList(Analyser& a) {
    const AnalysisTables& t = a.Tables;
    ReportList& errors = a.Lists[lstErrors];
    for (size_t i = 1; i <= t.ErrorCount(); ++i) {
        const ErrorRecord& e = t.Errors[i];
        AddListRow(errors, "i",
                   {std::to_string(e.Status), a.Reference.ErrorDescriptionOf(e.Status),
                    e.File, e.Referrer, ErrorTime(a, e.TimeFirst, false),
                    ErrorTime(a, e.TimeLast, true), CellValue(std::to_string(e.Hits), static_cast<double>(e.Hits))});
    }
}

void FillLists(Analyser& a) {
    FillSearchLists(a);
    FillBrowserLists(a);
    FillFileList(a);
    FillErrorList(a);
}

} // namespace trevix
