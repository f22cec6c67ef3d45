// Analyse, save, load, save again: the loaded report shows the same lists, and the two files
// differ only in Source (which the loader does not read).
#include "ReportLoadSupport.h"

#include "ShippedData.h"
#include "engine/run/AnalysisRun.h"
#include "engine/analysis/Conversions.h"
#include "report/XmlReportWriter.h"
#include "report/XmlText.h"

#include <array>
#include <regex>

namespace trevix::testing {
namespace {

std::string Line(const std::string& ip, const std::string& stamp, const std::string& file, int status,
                 const std::string& referrer, const std::string& agent) {
    return ip + " - - [" + stamp + " +0000] \"GET " + file + " HTTP/1.1\" " + std::to_string(status) +
           " 2326 \"" + referrer + "\" \"" + agent + "\"\n";
}

// domains empty: a run without a site profile, saved with an empty Domains section.
void CheckRoundTrip(const std::vector<std::string>& domains) {
    RecordingHost host;
    TempDir dir;
    Analyser first;
    first.SetHost(&host);
    ASSERT_NO_FATAL_FAILURE(trevix::testing::LoadShippedReferenceData(first.Reference, host));

    const std::string chrome = "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/120.0 Safari/537.36";
    const std::string firefox = "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0";
    std::string log;
    for (int i = 0; i < 30; ++i) {
        const std::string ip = "10.0." + std::to_string(i % 7) + "." + std::to_string(i);
        const std::string day = std::to_string(10 + i % 3) + "/Oct/2026:";
        const std::string hour = (i % 24 < 10 ? "0" : "") + std::to_string(i % 24);
        log += Line(ip, day + hour + ":00:00", "/", 200,
                    i % 3 ? "http://www.google.com/search?q=Red+Shoes+" + std::to_string(i % 4) : "http://links.example.net/",
                    i % 2 ? chrome : firefox);
        log += Line(ip, day + hour + ":01:00", i % 4 ? "/buy.html" : "/missing.html", i % 4 ? 200 : 404,
                    "http://www.example.com/", i % 2 ? chrome : firefox);
        log += Line(ip, day + hour + ":02:00", "/shop.html?c=\x01\xe9", 304, "-", firefox);
    }
    log += Line("66.249.66.1", "11/Oct/2026:05:00:00", "/robots.txt", 200, "-", "Googlebot/2.1 (+http://www.google.com/bot.html)");

    RunRequest request;
    request.Files = {dir.Write("access.log", log)};
    request.Profile.Domains = domains;
    request.AutoConversionReports = {"/buy.html"};
    first.Options.AutoReport = false;
    AnalyseLogFiles(first, request);
    ASSERT_GT(first.Lists[lstSearchTerms].RowCount(), 1u);
    ASSERT_EQ(first.Tables.ConversionReportCount(), 1u);

    const std::string saved = dir.File("first.xml"), again = dir.File("again.xml");
    ASSERT_TRUE(SaveXMLReport(first, saved, request.Files));
    Analyser loaded;
    loaded.SetHost(&host);
    ASSERT_TRUE(LoadXMLReport(loaded, saved, false));
    ASSERT_TRUE(SaveXMLReport(loaded, again));
    EXPECT_TRUE(host.Messages.empty());

    auto withoutSource = [&](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return std::regex_replace(text.str(), std::regex("<Source>.*?</Source>|<Source/>|<Source />"), "");
    };
    EXPECT_EQ(withoutSource(saved), withoutSource(again));

    DisplayConversionsReport(first, 1);
    DisplayConversionsReport(loaded, 1);
    // The control character of the log line is replaced in the file; all else is as shown.
    for (int n = 1; n <= 16; ++n) {
        if (n == lstSites) continue;
        auto shown = Cells(first.Lists[n]);
        for (auto& row : shown)
            for (std::string& cell : row) cell = ToXmlText(cell);
        EXPECT_EQ(Cells(loaded.Lists[n]), shown) << first.Lists[n].Name;
    }
    EXPECT_EQ(loaded.Lists.Summary, first.Lists.Summary);
    EXPECT_EQ(loaded.CurrentProfile.Domains, domains);
}

TEST(RoundTripTest, AnalyseSaveLoadSaveGivesTheSameReport) {
    const std::vector<std::string> cases[] = {{"www.example.com", "example.com"}, {}};
    for (const auto& domains : cases) {
        SCOPED_TRACE(domains.empty() ? "no domains" : "two domains");
        CheckRoundTrip(domains);
    }
}

// A report without any Domains section is not a report of this program.
TEST(RoundTripTest, MissingDomainsSectionIsRefused) {
    RecordingHost host;
    TempDir dir;
    Analyser a;
    a.SetHost(&host);
    const std::string path = dir.Write("r.xml", "<?xml version=\"1.0\"?><TrevixReport><Summary/></TrevixReport>");
    EXPECT_FALSE(LoadXMLReport(a, path, false));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_NE(host.Messages[0].Text.find("does not appear to be a valid Trevix Report file"), std::string::npos);
}

// Texts with control characters (decoded search terms, a CR inside a logged URL) read back
// from the saved report as the analysis showed them, so the report compared with its own
// file changes nowhere.
TEST(RoundTripTest, AReportComparedWithItsOwnFileIsUnchanged) {
    RecordingHost host;
    TempDir dir;
    Analyser a;
    a.SetHost(&host);
    ASSERT_NO_FATAL_FAILURE(trevix::testing::LoadShippedReferenceData(a.Reference, host));
    const std::string agent = "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0";
    const std::string google = "http://www.google.com/search?q=";
    const std::string terms[] = {"red%0D%0Ashoes", "blue%01boots", "%0Agreen%09hat%0D", "tab%0Bbed"};
    std::string log;
    int n = 0;
    for (const std::string& t : terms) {
        const std::string ip = "10.0.0." + std::to_string(++n);
        log += Line(ip, "10/Oct/2026:10:00:0" + std::to_string(n), "/", 200, google + t, agent);
        log += Line(ip, "10/Oct/2026:10:01:0" + std::to_string(n), "/buy.html", 200, "-", agent);
    }
    log += Line("10.0.0.9", "10/Oct/2026:11:00:00", "/odd\rpage.html", 200, "http://links.example.net/\rx", agent);
    log += Line("10.0.0.9", "10/Oct/2026:11:00:01", "/gone\r.html", 404, "http://links.example.net/\rx", agent);

    RunRequest request;
    request.Files = {dir.Write("access.log", log)};
    request.Profile.Domains = {"www.example.com"};
    request.AutoConversionReports = {"/buy.html"};
    a.Options.AutoReport = false;
    AnalyseLogFiles(a, request);
    ASSERT_EQ(a.Lists[lstSearchTerms].RowCount(), 4u);
    EXPECT_EQ(a.Lists[lstSearchTerms].Cell(0, 1), "red  shoes");
    EXPECT_EQ(a.Lists[lstSearchTerms].Cell(1, 1), "blue\xEF\xBF\xBD" "boots");
    EXPECT_EQ(a.Lists[lstSearchTerms].Cell(2, 1), "green hat");

    const std::string saved = dir.File("self.xml");
    ASSERT_TRUE(SaveXMLReport(a, saved, request.Files));
    ASSERT_TRUE(LoadXMLReport(a, saved, true));
    EXPECT_TRUE(host.Messages.empty());

    // Own cell, compare cell, change cell per merged list.
    const std::vector<std::array<int, 4>> merged = {
        {lstReferrers, 3, 4, 5}, {lstSearchEngines, 2, 3, 4}, {lstSearchTerms, 5, 6, 7},
        {lstFiles, 2, 7, 10},    {lstFiles, 3, 8, 11},        {lstErrors, 7, 8, 9}};
    for (auto [number, own, other, change] : merged) {
        const ReportList& list = a.Lists[number];
        SCOPED_TRACE(list.Name);
        EXPECT_GT(list.RowCount(), 0u);
        for (size_t row = 0; row < list.RowCount(); ++row) {
            EXPECT_EQ(list.Cell(row, other), list.Cell(row, own)) << list.Cell(row, 1);
            EXPECT_EQ(list.Cell(row, change), "  0.00") << list.Cell(row, 1);
        }
    }
    for (const auto& kind : a.Tables.ConversionReports[1].Sources)
        for (const ConversionSource& s : kind) {
            EXPECT_EQ(s.CompareVisitors, s.Visitors) << s.Source << s.Query;
            EXPECT_EQ(s.CompareConversions, s.Conversions) << s.Source << s.Query;
        }
    EXPECT_EQ(a.Tables.ConversionReports[1].Sources[1].size(), 4u);
}

} // namespace
} // namespace trevix::testing
