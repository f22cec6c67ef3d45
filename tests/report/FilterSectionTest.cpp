// The Filters section: written only for a filtered run, read back into the filters on a plain
// load, and absent from older reports, which load as before.
#include "ReportLoadSupport.h"

#include "ShippedData.h"
#include "engine/parse/FilterValues.h"
#include "engine/run/AnalysisRun.h"
#include "report/XmlReportWriter.h"

namespace trevix::testing {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(FilterSection, FilteredRunSavesItsFiltersAndALoadRestoresThem) {
    RecordingHost host;
    TempDir dir;
    Analyser first;
    first.SetHost(&host);
    ASSERT_NO_FATAL_FAILURE(LoadShippedReferenceData(first.Reference, host));
    ASSERT_TRUE(LoadCountryData(first.Reference, host, TREVIX_DATA_DIR_FOR_TESTS));
    const std::vector<FilterDescription> filters = {
        {"text", "doesn't contain", "<a & \"b\">"}, {"date", "is", "2026-10-10"},
        {"status", "is", "404"},                    {"address", "is not", "2001:db8::/32"},
        {"referrer", "contains", ""},               {"agent", "doesn't contain", "bot"},
        {"country", "is not", "uk"},                {"only", "is", "people"}};
    for (const FilterDescription& d : filters) {
        std::string error;
        ASSERT_TRUE(ApplyFilterDescription(first.Filters, d, first.Reference, error)) << error;
    }
    RunRequest request;
    request.Files = {dir.Write("a.log", "10.0.0.1 - - [10/Oct/2026:12:00:00 +0000] \"GET /x HTTP/1.1\" 404 5 \"-\" "
                                        "\"Mozilla/5.0\"\n")};
    AnalyseLogFiles(first, request);
    ASSERT_EQ(first.Tables.EntryCount, 1u);
    const std::string saved = dir.File("first.xml");
    ASSERT_TRUE(SaveXMLReport(first, saved, request.Files));
    const std::string xml = ReadFile(saved);
    EXPECT_NE(xml.find("</Summary><Filters><Filter Field=\"text\" Op=\"doesn't contain\" Value=\"&lt;a &amp; "
                       "&quot;b&quot;>\"/><Filter Field=\"date\" Op=\"is\" Value=\"2026-10-10\"/>"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<Filter Field=\"status\" Op=\"is\" Value=\"404\"/>"), std::string::npos);

    // A loaded report names the filters of its run, whatever the analyser had before.
    Analyser loaded;
    loaded.SetHost(&host);
    ParseCountryList(loaded.Reference, "gb,United Kingdom\nuk,United Kingdom\n");
    loaded.Filters.FileOn = true;
    ASSERT_TRUE(LoadXMLReport(loaded, saved, false));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(DescribeFilters(loaded.Filters), filters);
    EXPECT_EQ(Occurrences(loaded.Lists.Summary, "Filters: "), 1u) << loaded.Lists.Summary;
    EXPECT_EQ(loaded.Lists.Summary, first.Lists.Summary);

    // Saved again, the section is the same.
    const std::string again = dir.File("again.xml");
    ASSERT_TRUE(SaveXMLReport(loaded, again));
    const std::string xml2 = ReadFile(again);
    auto section = [](const std::string& text) {
        const size_t from = text.find("<Filters>"), to = text.find("</Filters>");
        return from == std::string::npos || to == std::string::npos ? std::string() : text.substr(from, to - from);
    };
    EXPECT_FALSE(section(xml).empty());
    EXPECT_EQ(section(xml2), section(xml));
}

TEST(FilterSection, ReportsWithoutOrWithOddSectionsLoad) {
    struct Case {
        const char* Name;
        std::string Filters;   // inserted after the summary; empty: no section
        bool Compare;
        std::vector<FilterDescription> Expected;
        const char* SummaryEnd;
    };
    const Case cases[] = {
        {"older report", "", false, {}, "S"},
        {"summary without the line", "<Filters><Filter Field=\"status\" Op=\"is not\" Value=\"3xx\"/></Filters>", false,
         {{"status", "is not", "3xx"}}, "S\r\nFilters: status is not 3xx"},
        {"unknown field and bad value skipped",
         "<Filters><Filter Field=\"colour\" Op=\"is\" Value=\"red\"/><Filter Field=\"status\" Op=\"is\" Value=\"6xx\"/>"
         "<Filter Field=\"agent\" Op=\"contains\" Value=\"bot\"/><Other/></Filters>",
         false, {{"agent", "contains", "bot"}}, "S\r\nFilters: user agent contains \"bot\""},
        {"compare load keeps the filters on screen",
         "<Filters><Filter Field=\"status\" Op=\"is\" Value=\"404\"/></Filters>", true, {{"file", "contains", "x"}},
         "S\r\nS"},
    };
    for (const Case& c : cases) {
        RecordingHost host;
        TempDir dir;
        Analyser a;
        a.SetHost(&host);
        if (c.Compare) {
            ASSERT_TRUE(LoadXMLReport(a, dir.Write("base.xml", ReportXml().Text()), false)) << c.Name;
            a.Filters.FileOn = true;
            a.Filters.FileText = "x";
        } else {
            a.Filters.LogTextOn = true;   // from an earlier run: a plain load replaces it
        }
        std::string xml = ReportXml().Text();
        if (!c.Filters.empty()) xml = Replaced(xml, "</Summary>", "</Summary>" + c.Filters);
        ASSERT_TRUE(LoadXMLReport(a, dir.Write("r.xml", xml), c.Compare)) << c.Name;
        EXPECT_TRUE(host.Messages.empty()) << c.Name;
        EXPECT_EQ(DescribeFilters(a.Filters), c.Expected) << c.Name;
        EXPECT_TRUE(a.Lists.Summary.ends_with(c.SummaryEnd)) << c.Name << ": " << a.Lists.Summary;
    }
}

} // namespace
} // namespace trevix::testing
