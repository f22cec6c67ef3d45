#include "ReportLoadSupport.h"

#include "config/MemorySettingsStore.h"

#include <algorithm>

namespace trevix::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

constexpr const char* ProcessingError =
    "An error was encountered processing the XML file. It may not be a valid Trevix Report file.";

class XmlReportLoaderTest : public ReportLoadTest {};

TEST_F(XmlReportLoaderTest, FixtureLoadsSectionBySection) {
    ASSERT_TRUE(Load(FixtureReport()));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_EQ(host.Statuses.back(), "Report Loaded");
    EXPECT_TRUE(a.Lists.State.Shown);
    EXPECT_FALSE(a.Lists.State.CompareReportLoaded);
    // Any value of the attribute sets the flag.
    EXPECT_EQ(a.CurrentProfile.Domains, (std::vector<std::string>{"www.example.com", "example.com"}));
    EXPECT_TRUE(a.CurrentProfile.DifferentDomains);
    EXPECT_EQ(a.Lists.Summary, "Loaded 1 log file covering 02/11/2026 09:15:00 to 03/11/2026 10:00:00\r\n"
                               "Total hits: 1,512 (of which spiders 12)");

    const std::string url = "http://search.example.org/find?q=red+shoes&lang=en";
    const std::pair<int, Rows> lists[] = {
        {lstHits, {{"02/11/2026", "1"}, {"03/11/2026", "1200"}}},
        {lstIPs,
         {{"10.0.0.1", "Germany", url, "02/11/2026 09:15:00", "/index.html", "02/11/2026 09:20:00", "/shop.html",
           "00:05:00", "4", "0.01"},
          {"10.0.0.2", "(unknown)", "-", "03/11/2026 10:00:00", "/shop.html", "03/11/2026 10:00:00", "/shop.html",
           "00:00:00", "1", "0.00"}}},
        // Only external referrers that are not searches are listed; counts as the analysis shows them.
        {lstReferrers,
         {{"http://links.example.net/shoes.html", "/index.html", "5"}, {"http://blog.example.net/", "/shop.html", "1,234"}}},
        {lstSearchEngines, {{"Example Search", "3"}}},
        {lstSearchTerms, {{"red shoes", "Example Search", url, "/index.html", "1,500"}}},
        {lstBrowsers, {{"Mozilla/5.0", "2", "100"}}},
        {lstWebBrowser, {{"Firefox", "2", "100"}}},
        {lstOS, {{"Linux", "1", "50"}, {"Windows", "1", "50"}}},
        {lstFiles, {{"/index.html", "6", "4", "1", "1", "0.02"}, {"/shop.html", "1,500", "1,499", "1", "0", "1,024.50"}}},
        {lstCountries, {{"(unknown)", "1", "50"}, {"Germany", "1", "50"}}},
        {lstErrors, {{"404", "Not Found", "/missing.html", "-", "02/11/2026 09:16:00", "03/11/2026 10:00:00", "2"}}},
    };
    for (const auto& [list, rows] : lists) EXPECT_EQ(Cells(a.Lists[list]), rows) << a.Lists[list].Name;
    EXPECT_EQ(a.Lists[lstHour].Cell(23, 2), "1200");

    // The tables later commands read.
    const AnalysisTables& t = a.Tables;
    EXPECT_EQ(t.DateVisitors[2].Hits, 1200);
    EXPECT_EQ(t.HourVisitors[9], 1);
    ASSERT_EQ(t.VisitorCount(), 2u);
    EXPECT_EQ(t.Visitors[1].FirstFile, 1);
    EXPECT_EQ(t.Visitors[1].Sessions.at(1).EntryPage, "/index.html");
    EXPECT_EQ(t.Visitors[1].Sessions.at(1).Referrer, url);
    ASSERT_EQ(t.ReferrerCount(), 4u);
    EXPECT_TRUE(t.Referrers[2].IsInternal);
    EXPECT_TRUE(t.Referrers[3].IsSearch);
    EXPECT_EQ(t.Referrers[4].Hits, 1234);
    EXPECT_EQ(t.Referrers[4].RowKey, "r2");
    ASSERT_EQ(t.SearchTermCount(), 1u);
    EXPECT_EQ(t.SearchTerms[1].Hits, 1500);
    EXPECT_EQ(t.Files[2].File, "/shop.html");
    EXPECT_EQ(a.Lists[lstFiles].Rows[1].ItemData, 2);
    ASSERT_EQ(t.ConversionReportCount(), 1u);
    EXPECT_EQ(a.Lists.ConversionFiles, (std::vector<std::string>{"/shop.html"}));
    const ConversionSource& term = t.ConversionReports[1].Sources[1].at(0);
    EXPECT_EQ(term.Source + term.Query + term.PercentConversions, "1red shoes33.33");
    EXPECT_EQ(term.Visitors, 3);
}

// What a broken file shows, and how many rows of lstIPs, lstReferrers, lstFiles and lstErrors
// stay on screen after it (a good report was shown before).
struct BrokenCase {
    const char* Name;
    std::string Xml;
    std::string Message;   // "$" stands for the file's path
    MessageIcon Icon;
    std::vector<size_t> RowsLeft;
};

TEST_F(XmlReportLoaderTest, BrokenFilesSayWhyAndKeepWhatWasRead) {
    const std::string good = FixtureReport();
    const std::string notReport = "Unable to load $ - it does not appear to be a valid Trevix Report file";
    const auto warning = MessageIcon::Warning;
    const BrokenCase cases[] = {
        {"not XML", "Total hits: 12", "Error: $: No document element found at offset 14", MessageIcon::Critical,
         {2, 2, 2, 1}},
        {"mismatched tags", "<TrevixReport><Domains></TrevixReport>", "Error: $: Start-end tags mismatch at offset 25",
         MessageIcon::Critical, {2, 2, 2, 1}},
        {"no Domain", "<Report><Domains><Domain>x</Domain></Domains></Report>", notReport, warning, {0, 0, 0, 0}},
        {"no Domains section",
         Replaced(good,
                  "<Domains ShowSeparateDomains=\"0\"><Domain>www.example.com</Domain><Domain>example.com</Domain></Domains>",
                  ""),
         notReport, warning, {0, 0, 0, 0}},
        {"hour 24", Replaced(good, ">23</Hour>", ">24</Hour>"), ProcessingError, warning, {0, 0, 0, 0}},
        {"missing attribute", Replaced(good, " Gets=\"4\"", ""), ProcessingError, warning, {2, 2, 0, 0}},
        {"count not a number", Replaced(good, "Hits=\"5\"", "Hits=\"five\""), ProcessingError, warning, {2, 0, 0, 0}},
        {"conversion count not a number", Replaced(good, "Conversions=\"1\"", "Conversions=\"1x\""), ProcessingError,
         warning, {2, 2, 2, 1}},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Analyser fresh;
        fresh.SetHost(&host);
        ASSERT_TRUE(LoadXMLReport(fresh, dir.Write("good.xml", good), false));
        host.Messages.clear();
        fresh.Lists.Summary.clear();
        const std::string path = dir.Write("broken.xml", c.Xml);
        EXPECT_FALSE(LoadXMLReport(fresh, path, false));

        ASSERT_EQ(host.Messages.size(), 1u);
        std::string expected = c.Message;
        if (auto at = expected.find('$'); at != std::string::npos) expected.replace(at, 1, path);
        EXPECT_EQ(host.Messages[0].Text, expected);
        EXPECT_EQ(host.Messages[0].Icon, c.Icon);
        EXPECT_EQ(host.Messages[0].Title, "Trevix");
        std::vector<size_t> rows;
        for (int list : {lstIPs, lstReferrers, lstFiles, lstErrors}) rows.push_back(fresh.Lists[list].RowCount());
        EXPECT_EQ(rows, c.RowsLeft);
        // Sections before the fault stay: the summary comes first.
        EXPECT_EQ(fresh.Lists.Summary.empty(), c.Message != ProcessingError);
    }
    EXPECT_FALSE(LoadXMLReport(a, dir.File("absent.xml"), false));
    EXPECT_EQ(host.Messages.back().Text, "Error: " + dir.File("absent.xml") + ": Error 2: No such file or directory");
    EXPECT_FALSE(LoadXMLReport(a, dir.Path().string(), false));
    EXPECT_EQ(host.Messages.back().Text, "Error: " + dir.Path().string() + ": Error 21: Is a directory");
}

TEST_F(XmlReportLoaderTest, OptionalAttributesAndOddTexts) {
    ReportXml r;
    r.Domains = "<Domain>a.example</Domain>";
    // A CR written as a reference is not doubled; Hour "7.4" is hour 7; id is never read.
    r.Summary = "one&#13;\ntwo\nthree";
    r.HitsSummary = "<Hour Hits=\"2\">7.4</Hour>";
    r.SearchTerms = "<SearchTerm id=\"x\" SearchEngine=\"E\" URL=\"u\" ToFile=\"/\" Hits=\"1\">a<![CDATA[<b>]]>c</SearchTerm>";
    // A control character from a reference cannot be saved again: it is replaced.
    r.Files = FileXml("/a&#1;b", "1", "1");
    ASSERT_TRUE(Load(r.Text()));
    EXPECT_FALSE(a.CurrentProfile.DifferentDomains);
    EXPECT_EQ(a.Lists.Summary, "one\r\ntwo\r\nthree");
    EXPECT_EQ(a.Tables.HourVisitors[7], 2);
    EXPECT_EQ(a.Lists[lstSearchTerms].Cell(0, 1), "a<b>c");
    EXPECT_EQ(a.Lists[lstFiles].Cell(0, 1), "/a\xEF\xBF\xBD" "b");
}

TEST_F(XmlReportLoaderTest, SavedSortOrderIsAppliedAfterLoading) {
    MemorySettingsStore store;
    store.SaveSetting("Sort", "List2Key", "1");
    store.SaveSetting("Sort", "List2Dir", "1");
    a.Store = &store;
    ASSERT_TRUE(Load(FixtureReport()));
    EXPECT_EQ(a.Lists[lstFiles].Cell(0, 1), "/shop.html");
}

// Hostile files are refused or read without expanding anything.
TEST_F(XmlReportLoaderTest, HostileFilesLoadSafely) {
    // Billion laughs and an external entity: nothing is expanded or fetched.
    std::string doctype = "<!DOCTYPE TrevixReport [<!ENTITY lol0 \"lol\"><!ENTITY x SYSTEM \"file:///etc/passwd\">";
    for (int i = 1; i <= 9; ++i) {
        doctype += "<!ENTITY lol" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) doctype += "&lol" + std::to_string(i - 1) + ";";
        doctype += "\">";
    }
    doctype += "]>";
    ReportXml r;
    r.Summary = "&lol9;&x;";
    ASSERT_TRUE(Load(doctype + r.Text().substr(std::string("<?xml version=\"1.0\"?>").size())));
    EXPECT_EQ(a.Lists.Summary, "&lol9;&x;");

    r.Summary = std::string(200000, '<');
    EXPECT_FALSE(Load(r.Text()));

    r.Summary.clear();
    for (int i = 0; i < 200000; ++i) r.Summary += "<a>";
    r.Summary += "deep";
    for (int i = 0; i < 200000; ++i) r.Summary += "</a>";
    ASSERT_TRUE(Load(r.Text()));
    EXPECT_EQ(a.Lists.Summary, "deep");

    r.Summary = "S";
    r.Files = FileXml(std::string(20'000'000, 'f'), "1", "1");
    ASSERT_TRUE(Load(r.Text()));
    EXPECT_EQ(a.Lists[lstFiles].Cell(0, 1).size(), 20'000'000u);
}

// Rows that repeat one key keep lookups constant-time: 300,000 of them load in seconds; were
// they chained in one probe sequence, the load would run into the test's time-out. Every
// section keyed by text is repeated, as a plain load and as a comparison.
TEST_F(XmlReportLoaderTest, RepeatedKeysLoadInLinearTime) {
    constexpr int Rows = 300'000;
    const std::string file = FileXml("/same.html", "1", "1");
    const std::string referrer = "<Referrer ToFile=\"/a.html\" Hits=\"1\">http://same.example/</Referrer>";
    const std::string visitor =
        "<Visitor Country=\"(unknown)\" Referrer=\"-\" EntryTime=\"03/11/2026 10:00:00\" EntryPage=\"/a\" "
        "ExitTime=\"03/11/2026 10:00:00\" ExitPage=\"/a\" TimeSpent=\"00:00:00\" Requests=\"1\" "
        "Bytes=\"0.00\">10.0.0.1</Visitor>";
    ReportXml r;
    r.Files.reserve(file.size() * Rows);
    for (int i = 0; i < Rows; ++i) r.Files += file;
    for (int i = 0; i < Rows / 3; ++i) r.Referrers += referrer;
    for (int i = 0; i < Rows / 3; ++i) r.Visitors += visitor;
    const std::string text = r.Text();
    for (bool compare : {false, true}) {
        SCOPED_TRACE(compare ? "compare" : "plain");
        ASSERT_TRUE(Load(text, compare));
        EXPECT_EQ(a.Tables.FindFile("/same.html"), 1u);   // the first row of the key
        EXPECT_GE(a.Lists[lstFiles].RowCount(), 1u);
    }
}

} // namespace
} // namespace trevix::testing
