#include "ReportLoadSupport.h"

#include "config/MemorySettingsStore.h"
#include "config/ReferenceDataLoader.h"
#include "engine/analysis/Conversions.h"
#include "engine/lists/ListSorting.h"
#include "report/ReportComparison.h"

#include <array>

namespace trevix::testing {
namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(PercentChangeTest, ReadsCellsInTheLocaleAndWritesThePattern) {
    Locale german;
    german.ThousandsSeparator = ".";
    german.DecimalSeparator = ",";
    struct Case {
        std::string Own, Compare, Change;
        const Locale* NumberFormat;
    };
    const Case cases[] = {
        {"5", "4", "+ 25.00", &Locale::Fixed()},   {"4", "5", "- 20.00", &Locale::Fixed()},
        {"0", "5", "- 100.00", &Locale::Fixed()},  {"5", "0", "New", &Locale::Fixed()},
        {"0", "0", "  0.00", &Locale::Fixed()},    {"7", "7", "  0.00", &Locale::Fixed()},
        {"1,200", "600", "+ 100.00", &Locale::Fixed()}, {"", "3", "- 100.00", &Locale::Fixed()},
        {"n/a", "", "  0.00", &Locale::Fixed()},   {"1.200", "600", "+ 100,00", &german},
        {"12,5", "10", "+ 25,00", &german},
    };
    for (const Case& c : cases) {
        ReportList list("lstTest", {});
        const size_t row = list.AddRow("x");
        list.SetCell(row, 2, c.Own);
        list.SetCell(row, 3, c.Compare);
        PopulatePercentChange(list, 2, 3, 4, *c.NumberFormat);
        EXPECT_EQ(list.Cell(row, 4), c.Change) << c.Own << " vs " << c.Compare;
    }
}

TEST(SetUpCompareReportTest, AddsNumberColumnsOnceAndKeepsWidths) {
    Analyser a;
    MemorySettingsStore store;
    a.Store = &store;
    a.Lists[lstHour].Columns[0].Width = 500;          // the own column's width is kept
    store.SaveSetting("Window", "List9Width3", "2000");   // a width saved for "Compare" earlier
    SetUpCompareReport(a);
    SetUpCompareReport(a);
    EXPECT_TRUE(a.Lists.State.CompareColumnsLoaded);

    const auto& hour = a.Lists[lstHour].Columns;
    ASSERT_EQ(hour.size(), 4u);
    EXPECT_EQ(hour[0].Width, 500);
    EXPECT_EQ(hour[2].Title, "Compare");
    EXPECT_EQ(hour[2].Width, 2000);
    EXPECT_EQ(hour[3].Title, "% Change");
    EXPECT_EQ(hour[3].Width, 1440);
    EXPECT_EQ(hour[3].Type, SortType::Number);
    const std::pair<int, size_t> counts[] = {{lstReferrers, 5}, {lstSearchEngines, 4}, {lstSearchTerms, 7},
                                             {lstBrowsers, 5},  {lstWebBrowser, 5},    {lstOS, 5},
                                             {lstFiles, 12},    {lstCountries, 6},     {lstErrors, 9},
                                             {lstConversions0, 7}, {lstConversions1, 9}, {lstConversions2, 7},
                                             {lstIPs, 10},      {lstHits, 2},          {lstSites, 2}};
    for (auto [list, columns] : counts) EXPECT_EQ(a.Lists[list].Columns.size(), columns) << list;
    EXPECT_EQ(a.Lists[lstFiles].Columns[11].Title, "% Change Bandwidth");
    EXPECT_EQ(a.Lists[lstCountries].Columns[4].Title, "Compare Percentage");
}

class ComparisonTest : public ReportLoadTest {};

TEST_F(ComparisonTest, ComparingAReportWithItself) {
    const std::string report = FixtureReport();
    ASSERT_TRUE(Load(report));
    ASSERT_TRUE(Load(report, true));
    EXPECT_TRUE(host.Messages.empty());
    EXPECT_TRUE(a.Lists.State.CompareReportLoaded);
    EXPECT_EQ(a.Lists[lstIPs].RowCount(), 4u);

    // Own cell, compare cell, change cell per merged list.
    const std::vector<std::array<int, 4>> merged = {
        {lstHour, 2, 3, 4},       {lstReferrers, 3, 4, 5}, {lstSearchEngines, 2, 3, 4}, {lstSearchTerms, 5, 6, 7},
        {lstBrowsers, 3, 4, 5},   {lstWebBrowser, 3, 4, 5}, {lstOS, 3, 4, 5},           {lstFiles, 2, 7, 10},
        {lstFiles, 3, 8, 11},     {lstFiles, 6, 9, 12},    {lstCountries, 2, 4, 6},     {lstErrors, 7, 8, 9}};
    for (auto [number, own, other, change] : merged) {
        const ReportList& list = a.Lists[number];
        SCOPED_TRACE(list.Name);
        EXPECT_GT(list.RowCount(), 0u);
        for (size_t row = 0; row < list.RowCount(); ++row) {
            EXPECT_EQ(list.Cell(row, other), list.Cell(row, own));
            EXPECT_EQ(list.Cell(row, change), "  0.00");
        }
    }
    EXPECT_EQ(a.Lists[lstFiles].RowCount(), 2u);
    EXPECT_EQ(a.Lists[lstCountries].Cell(1, 5), "50");
    EXPECT_EQ(a.Tables.Referrers[4].CompareHits, 1234);
    EXPECT_EQ(a.Tables.ReferrerCount(), 4u);

    const ConversionSource& term = a.Tables.ConversionReports[1].Sources[1][0];
    EXPECT_EQ(term.CompareVisitors, 3);
    EXPECT_EQ(term.ComparePercentConversions, "33.33");
    DisplayConversionsReport(a, 1);
    EXPECT_EQ(Cells(a.Lists[lstConversions2]), (Rows{{"/index.html", "2", "1", "50.00", "2", "1", "50.00"}}));
}

// Which rows pair: case-blind search terms with the same engine; errors on code, file and
// referrer; referrers exactly; the first of equal rows in list order.
TEST_F(ComparisonTest, RowsPairOnTheirKeysOnly) {
    ReportXml own, other;
    auto term = [](const char* text, const char* engine, const char* hits) {
        return std::string("<SearchTerm SearchEngine=\"") + engine + "\" URL=\"u\" ToFile=\"/\" Hits=\"" + hits +
               "\">" + text + "</SearchTerm>";
    };
    auto error = [](const char* code, const char* file, const char* referrer, const char* hits) {
        return std::string("<Error Description=\"d\" File=\"") + file + "\" Referrer=\"" + referrer +
               "\" TimeFirst=\"t\" TimeLast=\"t\" Hits=\"" + hits + "\">" + code + "</Error>";
    };
    own.SearchTerms = term("Red Shoes", "E", "5") + term("boots", "E", "2") + term("\xC3\x89T\xC3\x89 chaud", "E", "3");
    other.SearchTerms = term("red shoes", "E", "4") + term("boots", "F", "9") + term("\xC3\xA9t\xC3\xA9 chaud", "E", "3");
    own.Errors = error("404", "/a", "-", "5") + error("404", "/b", "-", "5");
    other.Errors = error("404", "/a", "-", "4") + error("404", "/b", "http://x/", "9") + error("500", "/a", "-", "9");
    own.Referrers = "<Referrer ToFile=\"/\" Hits=\"5\">http://A.example/</Referrer>";
    other.Referrers = "<Referrer ToFile=\"/\" Hits=\"4\">http://a.example/</Referrer>";
    own.SearchEngines = "<SearchEngine Hits=\"1\">E</SearchEngine><SearchEngine Hits=\"2\">E</SearchEngine>";
    other.SearchEngines = "<SearchEngine Hits=\"1\">E</SearchEngine>";
    ASSERT_TRUE(Load(own.Text()));
    ASSERT_TRUE(Load(other.Text(), true));

    EXPECT_EQ(Cells(a.Lists[lstSearchTerms]), (Rows{{"Red Shoes", "E", "u", "/", "5", "4", "+ 25.00"},
                                                    {"boots", "E", "u", "/", "2", "0", "New"},
                                                    {"\xC3\x89T\xC3\x89 chaud", "E", "u", "/", "3", "3", "  0.00"},
                                                    {"boots", "F", "u", "/", "0", "9", "- 100.00"}}));
    EXPECT_EQ(Cells(a.Lists[lstErrors]), (Rows{{"404", "d", "/a", "-", "t", "t", "5", "4", "+ 25.00"},
                                               {"404", "d", "/b", "-", "t", "t", "5", "0", "New"},
                                               {"404", "d", "/b", "http://x/", "t", "t", "0", "9", "- 100.00"},
                                               {"500", "d", "/a", "-", "t", "t", "0", "9", "- 100.00"}}));
    EXPECT_EQ(Cells(a.Lists[lstReferrers]), (Rows{{"http://A.example/", "/", "5", "0", "New"},
                                                  {"http://a.example/", "/", "0", "4", "- 100.00"}}));
    EXPECT_EQ(Cells(a.Lists[lstSearchEngines]), (Rows{{"E", "1", "1", "  0.00"}, {"E", "2", "0", "New"}}));
}

TEST_F(ComparisonTest, FilesAndCountriesOnlyOneSideHas) {
    ReportXml own, other;
    own.Files = FileXml("/both", "1,200", "10", "2.00") + FileXml("/own", "3", "3");
    other.Files = FileXml("/other", "8", "7", "0.50") + FileXml("/both", "600", "10", "1.00");
    own.Countries = "<Country Hits=\"2\" Percentage=\"100\">Germany</Country>";
    other.Countries = "<Country Hits=\"3\" Percentage=\"75\">France</Country>";
    ASSERT_TRUE(Load(own.Text()));
    ASSERT_TRUE(Load(other.Text(), true));
    EXPECT_EQ(Cells(a.Lists[lstFiles]),
              (Rows{{"/both", "1,200", "10", "0", "0", "2.00", "600", "10", "1.00", "+ 100.00", "  0.00", "+ 100.00"},
                    {"/own", "3", "3", "0", "0", "0.01", "0", "0", "0.0", "New", "New", "New"},
                    {"/other", "0", "0", "0", "0", "0.0", "8", "7", "0.50", "- 100.00", "- 100.00", "- 100.00"}}));
    EXPECT_EQ(Cells(a.Lists[lstCountries]), (Rows{{"Germany", "2", "100", "0", "0", "New"},
                                                  {"France", "0", "0", "3", "75", "- 100.00"}}));
}

// Rows are paired with the Files record they were made from, even after the list was sorted;
// equal files pair in order, once each.
TEST_F(ComparisonTest, FilesPairByRecordAfterSorting) {
    ReportXml own, other;
    own.Files = FileXml("/a", "1", "1") + FileXml("/b", "2", "2") + FileXml("/a", "3", "3") + FileXml("/c", "4", "4");
    other.Files = FileXml("/a", "10", "10") + FileXml("/b", "20", "20") + FileXml("/a", "30", "30") +
                  FileXml("/a", "40", "40") + FileXml("/c", "50", "50");
    ASSERT_TRUE(Load(own.Text()));
    int order = 1;
    SortList(a.Lists[lstFiles], 2, order, a.NumberFormat);
    ASSERT_TRUE(Load(other.Text(), true));
    Rows pairs;
    for (const ListRow& row : a.Lists[lstFiles].Rows) pairs.push_back({std::string(row.Cells[0]), std::string(row.Cells[1]), std::string(row.Cells[6])});
    EXPECT_EQ(pairs, (Rows{{"/c", "4", "50"}, {"/a", "3", "10"}, {"/b", "2", "20"}, {"/a", "1", "30"}, {"/a", "0", "40"}}));
}

// A second comparison writes into the same columns; what it lacks keeps the first one's value.
// The row only a comparison added is found again by its own text.
TEST_F(ComparisonTest, ComparingTwice) {
    ReportXml own, first, second;
    own.Files = FileXml("/a", "5", "5") + FileXml("/b", "5", "5");
    first.Files = FileXml("/a", "4", "4") + FileXml("/b", "4", "4") + FileXml("/c", "1", "1");
    second.Files = FileXml("/a", "10", "10") + FileXml("/c", "2", "2");
    ASSERT_TRUE(Load(own.Text()));
    ASSERT_TRUE(Load(first.Text(), true));
    ASSERT_TRUE(Load(second.Text(), true));
    EXPECT_EQ(a.Lists[lstFiles].Columns.size(), 12u);
    Rows compare;
    for (const ListRow& row : a.Lists[lstFiles].Rows) compare.push_back({std::string(row.Cells[0]), std::string(row.Cells[6]), std::string(row.Cells[9])});
    EXPECT_EQ(compare, (Rows{{"/a", "10", "- 50.00"}, {"/b", "4", "+ 25.00"}, {"/c", "2", "- 100.00"}}));
    EXPECT_EQ(a.Lists.Summary, "S\r\nS\r\nS");

    // A plain load afterwards keeps the columns, with empty cells.
    ASSERT_TRUE(Load(own.Text()));
    EXPECT_EQ(a.Lists[lstFiles].Columns.size(), 12u);
    EXPECT_EQ(a.Lists[lstFiles].Rows[0].Cells.size(), 6u);
}

// Conversion sources pair by goal and text; search-term sources by their words and engine,
// since their text is a row number of the other report's own search terms.
TEST_F(ComparisonTest, ConversionSourcesPair) {
    auto report = [](const std::string& goal, const std::string& terms) {
        return "<Report><File>" + goal + "</File><Referrers/><SearchTerms>" + terms + "</SearchTerms><EntryPages/></Report>";
    };
    auto term = [](const char* number, const char* query, const char* visitors) {
        return std::string("<Source Query=\"") + query + "\" SearchEngine=\"E\" SourceURL=\"u\" Visitors=\"" +
               visitors + "\" Conversions=\"1\" PercentConversions=\"p\">" + number + "</Source>";
    };
    ReportXml own, other;
    own.Conversions = report("/buy", term("1", "shoes", "4"));
    other.Conversions = report("/buy", term("1", "boots", "7") + term("2", "shoes", "5")) + report("/new", "");
    ASSERT_TRUE(Load(own.Text()));
    ASSERT_TRUE(Load(other.Text(), true));
    ASSERT_EQ(a.Tables.ConversionReportCount(), 2u);
    EXPECT_EQ(a.Lists.ConversionFiles, (std::vector<std::string>{"/buy", "/new"}));
    const auto& sources = a.Tables.ConversionReports[1].Sources[1];
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].Query, "shoes");
    EXPECT_EQ(sources[0].CompareVisitors, 5);
    EXPECT_EQ(sources[1].Query, "boots");
    EXPECT_EQ(sources[1].Visitors, 0);
    EXPECT_EQ(sources[1].CompareVisitors, 7);
}

// Search-term sources pair as the search-term list does: letter case does not matter, in
// any script; the engine does.
TEST_F(ComparisonTest, SearchTermSourcesPairRegardlessOfCase) {
    auto report = [](const std::string& terms) {
        return "<Report><File>/buy</File><Referrers/><SearchTerms>" + terms + "</SearchTerms><EntryPages/></Report>";
    };
    auto term = [](const std::string& query, const char* engine, const char* visitors) {
        return "<Source Query=\"" + query + "\" SearchEngine=\"" + engine + "\" SourceURL=\"u\" Visitors=\"" +
               visitors + "\" Conversions=\"1\" PercentConversions=\"p\">1</Source>";
    };
    struct Case {
        const char* name;
        std::string own, other;
        size_t sources;
        int compareVisitors;   // of the first source
    };
    const Case cases[] = {
        {"ASCII capitals", term("Blue Widgets", "E", "2"), term("blue widgets", "E", "6"), 1, 6},
        {"accented capitals", term("\xC3\x9C" "BER UNS", "E", "2"), term("\xC3\xBC" "ber uns", "E", "6"), 1, 6},
        {"decomposed against composed", term("U\xCC\x88" "ber", "E", "2"), term("\xC3\xBC" "ber", "E", "6"), 1, 6},
        {"another engine stays apart", term("shoes", "E", "2"), term("Shoes", "F", "6"), 2, 0},
        {"other words stay apart", term("shoe", "E", "2"), term("shoes", "E", "6"), 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Analyser fresh;
        fresh.SetHost(&host);
        ReportXml own, other;
        own.Conversions = report(c.own);
        other.Conversions = report(c.other);
        ASSERT_TRUE(LoadXMLReport(fresh, dir.Write("own.xml", own.Text()), false));
        ASSERT_TRUE(LoadXMLReport(fresh, dir.Write("other.xml", other.Text()), true));
        const auto& sources = fresh.Tables.ConversionReports[1].Sources[1];
        ASSERT_EQ(sources.size(), c.sources);
        EXPECT_EQ(sources[0].Visitors, 2);
        EXPECT_EQ(sources[0].CompareVisitors, c.compareVisitors);
    }
}

TEST_F(ComparisonTest, AFailedCompareKeepsTheColumnsAndTheReport) {
    ASSERT_TRUE(Load(FixtureReport()));
    EXPECT_FALSE(Load("<TrevixReport><Domains/></TrevixReport>", true));
    EXPECT_TRUE(a.Lists.State.CompareColumnsLoaded);
    EXPECT_FALSE(a.Lists.State.CompareReportLoaded);
    EXPECT_EQ(a.Lists[lstFiles].RowCount(), 2u);
}


// Older data named the .uk domain "United Kingdom (.uk)", a country of its own. With data that
// counts it under gb, an older report's "(.uk)" row is the United Kingdom's: loaded or compared,
// its visitors join that row and the share is worked out again from the report's total.
TEST_F(ComparisonTest, AnOlderReportsDomainRowCountsUnderItsCountry) {
    const std::string older = "<Country Hits=\"4\" Percentage=\"40\">(unknown)</Country>"
                              "<Country Hits=\"3\" Percentage=\"30\">United Kingdom</Country>"
                              "<Country Hits=\"2\" Percentage=\"20\">United Kingdom (.uk)</Country>"
                              "<Country Hits=\"1\" Percentage=\"10\">Germany</Country>";
    struct Case {
        const char* Name;
        std::string Countries;   // countries.dat as loaded
        std::string Own;         // the report on screen; empty: a plain load of the older one
        Rows Expected;
    };
    const std::string folded = "de,Germany\ngb,United Kingdom\nuk,United Kingdom\n";
    const Case cases[] = {
        {"plain load", folded, "",
         Rows{{"(unknown)", "4", "40"}, {"United Kingdom", "5", "50"}, {"Germany", "1", "10"}}},
        {"compared", folded,
         "<Country Hits=\"1\" Percentage=\"20\">(unknown)</Country>"
         "<Country Hits=\"4\" Percentage=\"80\">United Kingdom</Country>",
         Rows{{"(unknown)", "1", "20", "4", "40", "- 75.00"},
              {"United Kingdom", "4", "80", "5", "50", "- 20.00"},
              {"Germany", "0", "0", "1", "10", "- 100.00"}}},
        {"data that still keeps .uk apart", "gb,United Kingdom\nuk,United Kingdom (.uk)\n", "",
         Rows{{"(unknown)", "4", "40"}, {"United Kingdom", "3", "30"}, {"United Kingdom (.uk)", "2", "20"},
              {"Germany", "1", "10"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ParseCountryList(a.Reference, c.Countries);
        ReportXml own, other;
        other.Countries = older;
        if (c.Own.empty()) {
            ASSERT_TRUE(Load(other.Text()));
        } else {
            own.Countries = c.Own;
            ASSERT_TRUE(Load(own.Text()));
            ASSERT_TRUE(Load(other.Text(), true));
        }
        EXPECT_EQ(Cells(a.Lists[lstCountries]), c.Expected);
    }
}

} // namespace
} // namespace trevix::testing
