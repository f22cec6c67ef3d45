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
    EXPECT_EQ(host.Statuses.front(), "Loading XML Report File (Summary)...");
    EXPECT_EQ(host.Statuses.back(), "Report Loaded");
    EXPECT_TRUE(a.ReportShown);
    EXPECT_FALSE(a.CompareReportLoaded);

    // Domains: any value of the attribute sets the flag.
    EXPECT_EQ(a.CurrentProfile.Domains, (std::vector<std::string>{"www.example.com", "example.com"}));
    EXPECT_TRUE(a.CurrentProfile.DifferentDomains);

    EXPECT_EQ(a.Lists.Summary, "Loaded 1 log file covering 02/11/2026 09:15:00 to 03/11/2026 10:00:00\r\n"
                               "Total hits: 1,512 (of which spiders 12)");
    ASSERT_EQ(a.T.DateVisitorCount(), 2u);
    EXPECT_EQ(a.T.DateVisitors[2].Date, "03/11/2026");
    EXPECT_EQ(a.T.DateVisitors[2].Hits, 1200);
    EXPECT_EQ(a.T.HourVisitors[9], 1);
    EXPECT_EQ(a.T.HourVisitors[23], 1200);
    EXPECT_EQ(Cells(a.Lists[lstHits]), (Rows{{"02/11/2026", "1"}, {"03/11/2026", "1200"}}));
    EXPECT_EQ(a.Lists[lstHour].RowCount(), 24u);

    const std::string searchUrl = "http://search.example.org/find?q=red+shoes&lang=en";
    ASSERT_EQ(a.Lists[lstIPs].RowCount(), 2u);
    EXPECT_EQ(a.Lists[lstIPs].Rows[0].Cells,
              (std::vector<std::string>{"10.0.0.1", "Germany", searchUrl, "02/11/2026 09:15:00", "/index.html",
                                        "02/11/2026 09:20:00", "/shop.html", "00:05:00", "4", "0.01"}));
    ASSERT_EQ(a.T.VisitorCount(), 2u);
    const Visitor& v = a.T.Visitors[1];
    EXPECT_EQ(v.IP, "10.0.0.1");
    EXPECT_EQ(v.FirstFile, 1);
    EXPECT_EQ(v.Sessions.at(1).EntryPage, "/index.html");
    EXPECT_EQ(v.Sessions.at(1).Referrer, searchUrl);
    EXPECT_EQ(a.T.FindVisitor("10.0.0.2"), 2u);

    // Every referrer is kept; only external, non-search ones are listed, keyed "r" + row.
    ASSERT_EQ(a.T.ReferrerCount(), 4u);
    EXPECT_TRUE(a.T.Referrers[2].IsInternal);
    EXPECT_TRUE(a.T.Referrers[3].IsSearch);
    EXPECT_EQ(a.T.Referrers[4].Hits, 1234);
    EXPECT_EQ(a.T.Referrers[4].RowKey, "r2");
    EXPECT_EQ(a.T.Referrers[3].RowKey, "");
    EXPECT_EQ(Cells(a.Lists[lstReferrers]), (Rows{{"http://links.example.net/shoes.html", "/index.html", "5"},
                                                  {"http://blog.example.net/", "/shop.html", "1,234"}}));

    EXPECT_EQ(Cells(a.Lists[lstSearchEngines]), (Rows{{"Example Search", "3"}}));
    EXPECT_EQ(Cells(a.Lists[lstSearchTerms]), (Rows{{"red shoes", "Example Search", searchUrl, "/index.html", "1,500"}}));
    ASSERT_EQ(a.T.SearchTermCount(), 1u);
    EXPECT_EQ(a.T.SearchTerms[1].Hits, 1500);
    EXPECT_EQ(a.T.SearchTerms[1].URL, searchUrl);

    EXPECT_EQ(Cells(a.Lists[lstBrowsers]), (Rows{{"Mozilla/5.0", "2", "100"}}));
    EXPECT_EQ(Cells(a.Lists[lstWebBrowser]), (Rows{{"Firefox", "2", "100"}}));
    EXPECT_EQ(Cells(a.Lists[lstOS]), (Rows{{"Linux", "1", "50"}, {"Windows", "1", "50"}}));

    EXPECT_EQ(Cells(a.Lists[lstFiles]), (Rows{{"/index.html", "6", "4", "1", "1", "0.02"},
                                              {"/shop.html", "1,500", "1,499", "1", "0", "1,024.50"}}));
    ASSERT_EQ(a.T.FileCount(), 2u);
    EXPECT_EQ(a.T.Files[2].File, "/shop.html");
    EXPECT_EQ(a.Lists[lstFiles].Rows[1].ItemData, 2);
    EXPECT_EQ(a.Lists[lstFiles].Rows[1].Key, "i2");

    EXPECT_EQ(Cells(a.Lists[lstCountries]), (Rows{{"(unknown)", "1", "50"}, {"Germany", "1", "50"}}));
    EXPECT_EQ(Cells(a.Lists[lstErrors]), (Rows{{"404", "Not Found", "/missing.html", "-", "02/11/2026 09:16:00",
                                                "03/11/2026 10:00:00", "2"}}));

    ASSERT_EQ(a.T.ConversionReportCount(), 1u);
    const ConversionReport& r = a.T.ConversionReports[1];
    EXPECT_EQ(r.File, "/shop.html");
    EXPECT_EQ(a.Lists.ConversionFiles, (std::vector<std::string>{"/shop.html"}));
    ASSERT_EQ(r.Sources[1].size(), 1u);
    EXPECT_EQ(r.Sources[1][0].Source, "1");
    EXPECT_EQ(r.Sources[1][0].Query, "red shoes");
    EXPECT_EQ(r.Sources[1][0].Visitors, 3);
    EXPECT_EQ(r.Sources[1][0].PercentConversions, "33.33");
    EXPECT_EQ(r.Sources[2][0].Source, "/index.html");
}

// What a broken file shows, and what of it stays on screen (rows of four lists).
struct BrokenCase {
    const char* Name;
    std::string Xml;
    std::string Message;   // "$" stands for the file's path
    MessageIcon Icon;
    std::vector<size_t> RowsLeft;   // lstIPs, lstReferrers, lstFiles, lstErrors
    bool SummaryLeft;   // the summary box is not emptied by clearing the report
};

TEST_F(XmlReportLoaderTest, BrokenFilesSayWhyAndKeepWhatWasRead) {
    const std::string good = FixtureReport();
    const std::string path = dir.File("report2.xml");
    const BrokenCase cases[] = {
        {"not XML", "Total hits: 12", "Error: No document element found at offset 14", MessageIcon::None,
         {2, 2, 2, 1}, true},
        {"mismatched tags", "<TrevixReport><Domains></TrevixReport>",
         "Error: Start-end tags mismatch at offset 25", MessageIcon::None, {2, 2, 2, 1}, true},
        {"no Domain", "<?xml version=\"1.0\"?><Report><Domains><Domain>x</Domain></Domains></Report>",
         "Unable to load $ - it does not appear to be a valid Trevix Report file", MessageIcon::Warning,
         {0, 0, 0, 0}, true},
        {"Domains without Domain", Replaced(good, "<Domain>www.example.com</Domain><Domain>example.com</Domain>", ""),
         "Unable to load $ - it does not appear to be a valid Trevix Report file", MessageIcon::Warning,
         {0, 0, 0, 0}, true},
        {"hour 24", Replaced(good, ">23</Hour>", ">24</Hour>"), ProcessingError, MessageIcon::Warning,
         {0, 0, 0, 0}, true},
        {"missing attribute", Replaced(good, " Gets=\"4\"", ""), ProcessingError, MessageIcon::Warning,
         {2, 2, 0, 0}, true},
        {"count not a number", Replaced(good, "Hits=\"5\"", "Hits=\"five\""), ProcessingError,
         MessageIcon::Warning, {2, 0, 0, 0}, true},
        {"conversion count not a number", Replaced(good, "Conversions=\"1\"", "Conversions=\"1x\""),
         ProcessingError, MessageIcon::Warning, {2, 2, 2, 1}, true},
    };
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Analyser fresh;
        fresh.SetHost(&host);
        host.Messages.clear();
        const std::string first = dir.Write("report1.xml", good);
        ASSERT_TRUE(LoadXMLReport(fresh, first, false));
        EXPECT_FALSE(LoadXMLReport(fresh, dir.Write("report2.xml", c.Xml), false));

        ASSERT_EQ(host.Messages.size(), 1u);
        std::string expected = c.Message;
        if (auto at = expected.find('$'); at != std::string::npos) expected.replace(at, 1, path);
        EXPECT_EQ(host.Messages[0].Text, expected);
        EXPECT_EQ(host.Messages[0].Icon, c.Icon);
        EXPECT_EQ(host.Messages[0].Title, "Trevix");
        std::vector<size_t> rows;
        for (int list : {lstIPs, lstReferrers, lstFiles, lstErrors}) rows.push_back(fresh.Lists[list].RowCount());
        EXPECT_EQ(rows, c.RowsLeft);
        EXPECT_EQ(!fresh.Lists.Summary.empty(), c.SummaryLeft);
    }
}

TEST_F(XmlReportLoaderTest, MissingFileGivesTheParsersReason) {
    EXPECT_FALSE(LoadXMLReport(a, dir.File("absent.xml"), false));
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Text, "Error: File was not found");
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
    EXPECT_EQ(a.T.HourVisitors[7], 2);
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

} // namespace
} // namespace trevix::testing
