#include "XmlReportSections.h"

#include "ReportComparison.h"
#include "XmlReportReading.h"
#include "engine/Analyser.h"
#include "engine/analysis/DateReport.h"
#include "engine/analysis/ListFilling.h"
#include "engine/base/RecordIndex.h"
#include "engine/base/Text.h"
#include "engine/parse/Classification.h"
#include "engine/parse/FilterValues.h"

#include <array>
#include <cmath>
#include <unordered_map>
#include <utility>
#include <vector>

namespace trevix::xmlreport {

namespace {

// The name a country row of a saved report goes by now. Older data gave a top-level domain
// that is not its country's code a name of its own ("United Kingdom (.uk)"); with data that
// counts the domain under its country, such a row is that country's.
std::string CountryNameNow(const ReferenceData& ref, std::string name) {
    const size_t n = name.size();
    if (n < 7 || name.compare(n - 6, 3, " (.") != 0 || name[n - 1] != ')') return name;
    const std::string code = ToLowerAscii(std::string_view(name).substr(n - 3, 2));
    const auto found = ref.CountryIndexByCode.find(code);
    if (found == ref.CountryIndexByCode.end() || found->second <= 0 ||
        static_cast<size_t>(found->second) >= ref.CountryList.size())
        return name;
    const CountryRecord& country = ref.CountryList[static_cast<size_t>(found->second)];
    // Only a domain counted under another code's country; a country still named so stays.
    if (EqualsIgnoringCase(country.Code, code)) return name;
    return country.Name;
}

// The summary's line breaks as the summary box keeps them. XML reading turned each CR LF
// into LF; a CR that came through as a character reference is not doubled.
std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

} // namespace

// The filters of the run that made the report, when it had any; a report without the
// section was made without filters (or before reports named them).
void ReportSections::LoadReportFilters() {
    a_.Filters = EntryFilters{};
    for (pugi::xml_node element : Select(doc_, "TrevixReport/Filters/Filter")) {
        const FilterDescription d{element.attribute("Field").value(), element.attribute("Op").value(),
                                  element.attribute("Value").value()};
        std::string error;
        if (ApplyFilterDescription(a_.Filters, d, a_.Reference, error)) continue;
        if (d.Field == "country" && d.Value.size() == 2 && (d.Op == "is" || d.Op == "is not")) {
            // Without the country list the code is still named; no run follows a load.
            a_.Filters.CountryOn = true;
            a_.Filters.CountryIs = d.Op == "is";
            a_.Filters.Country = CountryFilter{0, 0, ToLowerAscii(d.Value)};
            continue;
        }
        a_.AddToLog("The report's filter " + d.Field + " \"" + d.Op + "\" " + d.Value + " was not read: " + error);
    }
    // A summary written by hand or by an older program may not name them.
    const std::string line = FiltersLine(a_.Filters);
    if (!line.empty() && a_.Lists.Summary.find(line) == std::string::npos) a_.Lists.Summary += "\r\n" + line;
}

void ReportSections::LoadReportSummary() {
    pugi::xml_node summary = SelectFirst(doc_, "TrevixReport/Summary");
    if (!summary) throw ReportFormatError("no summary");
    // A summary may be megabytes long: Cancel is looked at after each pass over it.
    std::string text = Text(summary);
    StopIfCancelled(a_);
    text = WithCrLf(text);
    StopIfCancelled(a_);
    if (compare_) {
        a_.Lists.Summary += "\r\n" + text;
    } else {
        a_.Lists.Summary = std::move(text);
        LoadReportFilters();
    }

    AnalysisTables& t = a_.Tables;
    for (pugi::xml_node date : Select(doc_, "TrevixReport/HitsSummary/Date")) {
        std::string day = Text(date);
        const int32_t hits = Integer(a_, Attr(date, "Hits"));
        t.DateVisitors.push_back({std::move(day), hits});
    }
    for (pugi::xml_node hour : Select(doc_, "TrevixReport/HitsSummary/Hour")) {
        std::optional<double> value = a_.NumberFormat.ParseNumber(Text(hour));
        if (!value) throw ReportFormatError("hour is not a number");
        const double h = std::nearbyint(*value);
        if (!(h >= 0 && h <= 23)) throw ReportFormatError("hour out of range");
        const int32_t hits = Integer(a_, Attr(hour, "Hits"));
        t.HourVisitors[static_cast<size_t>(h) + (compare_ ? 24 : 0)] = hits;
    }
    DisplayDateReport(a_, compare_);
    if (compare_) PopulatePercentChange(a_.Lists[lstHour], 2, 3, 4, a_.NumberFormat);
}

void ReportSections::LoadReportVisitors() {
    a_.Host->SetStatus("Loading XML Report File (Visitors)...");
    StopIfCancelled(a_);
    AnalysisTables& t = a_.Tables;
    ReportList& list = a_.Lists[lstIPs];
    static constexpr const char* Names[] = {"Country",  "Referrer",  "EntryTime", "EntryPage", "ExitTime",
                                            "ExitPage", "TimeSpent", "Requests",  "Bytes"};
    const std::vector<pugi::xml_node> nodes = Select(doc_, "TrevixReport/Visitors/Visitor");
    SectionProgress progress(a_, nodes.size());
    std::array<std::string, 10> values;
    for (size_t i = 0; i < nodes.size(); ++i) {
        values[0] = Text(nodes[i]);
        for (size_t k = 0; k < std::size(Names); ++k) values[k + 1] = Attr(nodes[i], Names[k]);

        // Only what the visitor window and the conversions read: the first file's entry page
        // and referrer.
        Visitor& v = t.Visitors[t.AppendVisitor(t.Arena.Store(values[0]))];
        v.FirstFile = 1;
        v.LastFileNumber = 1;
        v.Sessions.resize(2);
        v.Sessions[1].EntryPage = t.Arena.Store(values[4]);
        v.Sessions[1].Referrer = t.Arena.Store(values[2]);

        AddListRow(values, list);
        progress.Element(i + 1);
    }
}

void ReportSections::LoadReportReferrers(const SiteProfile& site) {
    a_.Host->SetStatus("Loading XML Report File (Referrers)...");
    StopIfCancelled(a_);
    AnalysisTables& t = a_.Tables;
    ReportList& list = a_.Lists[lstReferrers];

    // Compare load: the first record of each referrer and file, and the row of each key.
    RecordIndex firstRecord;
    auto hash = [](std::string_view url, std::string_view toFile) {
        return HashCombine(HashText(url), HashText(toFile));
    };
    auto find = [&](std::string_view url, std::string_view toFile) {
        return firstRecord.Find(hash(url, toFile), [&](uint32_t r) {
            return t.Referrers[r].Referrer == url && t.Referrers[r].ToFile == toFile;
        });
    };
    auto remember = [&](uint32_t r) {
        const ReferrerRecord& rec = t.Referrers[r];
        firstRecord.Insert(hash(rec.Referrer, rec.ToFile), r, [&](uint32_t other) {
            return t.Referrers[other].Referrer == rec.Referrer && t.Referrers[other].ToFile == rec.ToFile;
        });
    };
    std::unordered_map<std::string, size_t> rowOfKey;
    if (compare_) {
        for (uint32_t r = 1; r <= t.ReferrerCount(); ++r) remember(r);
        for (size_t row = 0; row < list.RowCount(); ++row) rowOfKey.emplace(list.Rows[row].Key, row);
    }

    const std::vector<pugi::xml_node> nodes = Select(doc_, "TrevixReport/Referrers/Referrer");
    SectionProgress progress(a_, nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        const std::string url = Text(nodes[i]);
        const std::string toFile = Attr(nodes[i], "ToFile");
        const int32_t hits = Integer(a_, Attr(nodes[i], "Hits"));
        progress.Element(i + 1);

        if (compare_) {
            if (uint32_t r = find(url, toFile); r != 0) {
                ReferrerRecord& record = t.Referrers[r];
                record.CompareHits = hits;
                if (!record.RowKey.empty())
                    if (auto it = rowOfKey.find(record.RowKey); it != rowOfKey.end())
                        list.SetCell(it->second, 4, Count(hits));
                continue;
            }
        }

        const uint32_t r = t.AppendReferrer(t.Arena.Store(url), t.Arena.Store(toFile));
        ReferrerRecord& record = t.Referrers[r];
        record.Hits = compare_ ? 0 : hits;
        record.CompareHits = compare_ ? hits : 0;
        record.IsSearch = static_cast<bool>(nodes[i].attribute("IsSearch"));
        record.IsInternal = IsInternalReferrer(record.Referrer, site);
        if (compare_) remember(r);
        if (record.IsInternal || record.IsSearch) continue;

        const size_t row = list.AddRow(url, NextRowKey(list, "r"));
        list.SetCell(row, 2, toFile);
        if (compare_) {
            list.SetCell(row, 3, "0");
            list.SetCell(row, 4, Count(hits));
        } else {
            list.SetCell(row, 3, Count(hits));
        }
        record.RowKey = list.Rows[row].Key;
        if (compare_) rowOfKey.emplace(record.RowKey, row);
    }
    if (compare_) {
        FillInZeroes(list, 4, "0");
        PopulatePercentChange(list, 3, 4, 5, a_.NumberFormat);
    }
}

void ReportSections::LoadReportSearch() {
    a_.Host->SetStatus("Loading XML Report File (Search Engines)...");
    StopIfCancelled(a_);
    a_.Host->SetProgress(0, 1);

    ReportList& engines = a_.Lists[lstSearchEngines];
    std::optional<ListRowIndex> engineIndex = IndexFor(engines, {});
    std::array<std::string, 2> engine;
    for (pugi::xml_node node : Select(doc_, "TrevixReport/SearchEngines/SearchEngine")) {
        engine = {Text(node), Attr(node, "Hits")};
        Row(engine, engines, engineIndex ? &*engineIndex : nullptr);
    }
    if (compare_) {
        FillInZeroes(engines, 3, "0");
        PopulatePercentChange(engines, 2, 3, 4, a_.NumberFormat);
    }

    ReportList& terms = a_.Lists[lstSearchTerms];
    std::optional<ListRowIndex> termIndex = IndexFor(terms, {.SecondKey = 2, .IgnoreCase = true});
    const std::vector<pugi::xml_node> nodes = Select(doc_, "TrevixReport/SearchTerms/SearchTerm");
    SectionProgress progress(a_, nodes.size());
    std::array<std::string, 5> term;
    for (size_t i = 0; i < nodes.size(); ++i) {
        term = {Text(nodes[i]), Attr(nodes[i], "SearchEngine"), Attr(nodes[i], "URL"), Attr(nodes[i], "ToFile"),
                Attr(nodes[i], "Hits")};
        const int32_t hits = Integer(a_, term[4]);
        // Shown as the analysis shows it; the file holds the table's plain number.
        term[4] = Count(hits);
        Row(term, terms, termIndex ? &*termIndex : nullptr);
        a_.Tables.SearchTerms.push_back({term[0], term[1], hits, term[2], term[3]});
        progress.Element(i + 1);
    }
    if (compare_) {
        FillInZeroes(terms, 6, "0");
        PopulatePercentChange(terms, 5, 6, 7, a_.NumberFormat);
    }
}

void ReportSections::LoadBrowserList(const char* path, int listNumber) {
    ReportList& list = a_.Lists[listNumber];
    std::optional<ListRowIndex> index = IndexFor(list, {.CopyDescribing = false});
    std::array<std::string, 3> values;
    for (pugi::xml_node node : Select(doc_, path)) {
        values = {Text(node), Attr(node, "Hits"), Attr(node, "Percentage")};
        Row(values, list, index ? &*index : nullptr);
    }
    if (compare_) {
        FillInZeroes(list, 4, "0");
        PopulatePercentChange(list, 3, 4, 5, a_.NumberFormat);
    }
    a_.Host->ProcessEvents();
}

void ReportSections::LoadReportBrowsers() {
    a_.Host->SetStatus("Loading XML Report File (Browsers)...");
    StopIfCancelled(a_);
    a_.Host->SetProgress(0, 1);
    LoadBrowserList("TrevixReport/RawBrowserData/Data", lstBrowsers);
    LoadBrowserList("TrevixReport/WebBrowsers/Browser", lstWebBrowser);
    LoadBrowserList("TrevixReport/OSData/OS", lstOS);
}

void ReportSections::LoadReportFiles() {
    a_.Host->SetStatus("Loading XML Report File (Files)...");
    StopIfCancelled(a_);
    AnalysisTables& t = a_.Tables;
    ReportList& list = a_.Lists[lstFiles];
    std::optional<UnmatchedRows> unmatched;
    if (compare_) unmatched.emplace(list, t);

    const std::vector<pugi::xml_node> nodes = Select(doc_, "TrevixReport/Files/File");
    SectionProgress progress(a_, nodes.size());
    std::array<std::string, 6> values;
    for (size_t i = 0; i < nodes.size(); ++i) {
        values = {Text(nodes[i]),
                  Attr(nodes[i], "TotalRequests"),
                  Attr(nodes[i], "Gets"),
                  Attr(nodes[i], "Reloads"),
                  Attr(nodes[i], "Resumes"),
                  Attr(nodes[i], "Bytes")};
        if (compare_) {
            const size_t row = AddListRow(values, list, *unmatched);
            list.SetCell(row, 7, values[1]);
            list.SetCell(row, 8, values[2]);
            list.SetCell(row, 9, values[5]);
        } else {
            const size_t row = AddListRow(values, list);
            // The row remembers its record, so pairing survives a re-sort of the list.
            list.Rows[row].ItemData = t.AppendFile(t.Arena.Store(values[0]));
        }
        progress.Element(i + 1);
    }
    if (compare_) {
        FillInZeroes(list, 7, "0");
        FillInZeroes(list, 8, "0");
        FillInZeroes(list, 9, "0.0");
        PopulatePercentChange(list, 2, 7, 10, a_.NumberFormat);
        PopulatePercentChange(list, 3, 8, 11, a_.NumberFormat);
        PopulatePercentChange(list, 6, 9, 12, a_.NumberFormat);
    }
}

void ReportSections::LoadReportCountries() {
    a_.Host->SetStatus("Loading XML Report File (Country)...");
    StopIfCancelled(a_);
    ReportList& list = a_.Lists[lstCountries];
    std::optional<ListRowIndex> index = IndexFor(list, {.CopyDescribing = false});
    // A report from older data may hold one country twice (its "(.uk)" row beside the
    // country's own): the visitors add up in one row, whose share is worked out again from
    // the section's total.
    const size_t visitorsCell = compare_ ? 4 : 2;
    std::unordered_map<std::string, size_t> rowOfName;
    std::unordered_map<size_t, long long> visitorsOfRow;
    std::vector<size_t> twice;
    long long total = 0;
    bool countable = true;
    std::array<std::string, 3> values;
    for (pugi::xml_node node : Select(doc_, "TrevixReport/Countries/Country")) {
        values = {CountryNameNow(a_.Reference, Text(node)), Attr(node, "Hits"), Attr(node, "Percentage")};
        const std::optional<double> read = a_.NumberFormat.ParseNumber(values[1]);
        // Far beyond any real count, and the sums stay exact.
        const bool number = read && std::fabs(*read) < 1e15;
        const long long visitors = number ? std::llround(*read) : 0;
        countable = countable && number;
        total += visitors;
        if (auto earlier = rowOfName.find(values[0]); earlier != rowOfName.end()) {
            const size_t row = earlier->second;
            visitorsOfRow[row] += visitors;
            list.SetCell(row, visitorsCell, std::to_string(visitorsOfRow[row]));
            twice.push_back(row);
            continue;
        }
        const size_t row = Row(values, list, index ? &*index : nullptr);
        if (compare_) {
            list.SetCell(row, 4, values[1]);
            list.SetCell(row, 5, values[2]);
        }
        rowOfName.emplace(values[0], row);
        visitorsOfRow[row] = visitors;
    }
    if (countable)
        for (size_t row : twice) list.SetCell(row, visitorsCell + 1, PercentCell(a_, visitorsOfRow[row], total));
    if (compare_) {
        FillInZeroes(list, 4, "0");
        FillInZeroes(list, 5, "0");
        PopulatePercentChange(list, 2, 4, 6, a_.NumberFormat);
    }
}

void ReportSections::LoadReportErrors() {
    a_.Host->SetStatus("Loading XML Report File (Errors)...");
    StopIfCancelled(a_);
    ReportList& list = a_.Lists[lstErrors];
    std::optional<ListRowIndex> index = IndexFor(list, {.SecondKey = 3, .ThirdKey = 4});
    static constexpr const char* Names[] = {"Description", "File", "Referrer", "TimeFirst", "TimeLast", "Hits"};
    std::array<std::string, 7> values;
    for (pugi::xml_node node : Select(doc_, "TrevixReport/Errors/Error")) {
        values[0] = Text(node);
        for (size_t k = 0; k < std::size(Names); ++k) values[k + 1] = Attr(node, Names[k]);
        Row(values, list, index ? &*index : nullptr);
    }
    if (compare_) {
        FillInZeroes(list, 8, "0");
        PopulatePercentChange(list, 7, 8, 9, a_.NumberFormat);
    }
}

void ReportSections::LoadReportConversions() {
    a_.Host->SetStatus("Loading XML Report File (Conversions)...");
    StopIfCancelled(a_);
    AnalysisTables& t = a_.Tables;
    if (!compare_) t.ConversionReports.assign(1, ConversionReport{});

    // Compare load: the first report of each goal, and per report and kind the first source
    // of each key, built when a report is first met.
    std::unordered_map<std::string, uint32_t> reportOfGoal;
    if (compare_)
        for (uint32_t n = 1; n <= t.ConversionReportCount(); ++n) reportOfGoal.emplace(t.ConversionReports[n].File, n);
    std::unordered_map<uint32_t, std::array<std::unordered_map<std::string, size_t>, 3>> sourceIndexes;
    // Sources pair by their text; search terms by the words and the engine, because their
    // text is a row number of the other report's own search-term table. The words pair
    // regardless of case, as the search-term list does.
    auto sourceKey = [](int kind, const ConversionSource& s) {
        if (kind != 1) return s.Source;
        std::string key;
        AppendKeyPart(key, CaseFoldKey(s.Query));
        AppendKeyPart(key, s.SearchEngine);
        return key;
    };
    auto indexOf = [&](uint32_t n) -> std::array<std::unordered_map<std::string, size_t>, 3>& {
        auto [it, added] = sourceIndexes.try_emplace(n);
        if (added)
            for (int k = 0; k < 3; ++k) {
                const auto& sources = t.ConversionReports[n].Sources[k];
                for (size_t s = 0; s < sources.size(); ++s) it->second[k].emplace(sourceKey(k, sources[s]), s);
            }
        return it->second;
    };

    static constexpr const char* Kinds[] = {"Referrers/Source", "SearchTerms/Source", "EntryPages/Source"};
    for (pugi::xml_node reportNode : Select(doc_, "TrevixReport/Conversions/Report")) {
        pugi::xml_node goalNode = SelectFirst(reportNode, "File");
        if (!goalNode) throw ReportFormatError("conversion report without goal");
        std::string goal = Text(goalNode);

        uint32_t n = 0;
        if (compare_)
            if (auto it = reportOfGoal.find(goal); it != reportOfGoal.end()) n = it->second;
        if (n == 0) {
            ConversionReport report;
            report.File = goal;
            t.ConversionReports.push_back(std::move(report));
            a_.Lists.ConversionFiles.push_back(goal);
            n = t.ConversionReportCount();
            if (compare_) reportOfGoal.emplace(std::move(goal), n);
        }

        for (int k = 0; k < 3; ++k) {
            for (pugi::xml_node node : Select(reportNode, Kinds[k])) {
                ConversionSource s;
                s.Source = Text(node);
                if (k == 1) {
                    s.Query = Attr(node, "Query");
                    s.SearchEngine = Attr(node, "SearchEngine");
                    s.SourceURL = Attr(node, "SourceURL");
                }
                const int32_t visitors = Integer(a_, Attr(node, "Visitors"));
                const int32_t conversions = Integer(a_, Attr(node, "Conversions"));
                std::string percent = Attr(node, "PercentConversions");

                auto& sources = t.ConversionReports[n].Sources[k];
                if (!compare_) {
                    s.Visitors = visitors;
                    s.Conversions = conversions;
                    s.PercentConversions = std::move(percent);
                    sources.push_back(std::move(s));
                    continue;
                }
                auto& index = indexOf(n)[k];
                std::string key = sourceKey(k, s);
                if (auto it = index.find(key); it != index.end()) {
                    ConversionSource& found = sources[it->second];
                    found.CompareVisitors = visitors;
                    found.CompareConversions = conversions;
                    found.ComparePercentConversions = std::move(percent);
                    continue;
                }
                s.CompareVisitors = visitors;
                s.CompareConversions = conversions;
                s.ComparePercentConversions = std::move(percent);
                index.emplace(std::move(key), sources.size());
                sources.push_back(std::move(s));
            }
        }
    }
}

} // namespace trevix::xmlreport
