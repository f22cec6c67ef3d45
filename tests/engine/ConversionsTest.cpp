#include "engine/Analyser.h"
#include "engine/analysis/Conversions.h"
#include "engine/read/LogReader.h"
#include "engine/analysis/VisitorPass.h"
#include "support/LogFiles.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace trevix;

namespace {

using Rows = std::vector<std::vector<std::string>>;

const std::string Google = "http://google.com/search?q=shoes";
const std::string Internal = "http://mysite.com/page";
const std::string Blog = "http://blog.com/";

std::string Line(const std::string& ip, const std::string& stamp, const std::string& file,
                 const std::string& referrer = "-") {
    return ip + " - - [" + stamp + " +0000] \"GET " + file + " HTTP/1.1\" 200 10 \"" + referrer + "\" \"UA\"\n";
}

struct LogRun : trevix::testing::LogFiles {
    void Read(const std::vector<std::string>& files) {
        ReadFiles(files);
        RunVisitorPass(A);
        Host.Statuses.clear();
        Host.EventsServed = 0;
    }
    Rows ListRows(int listNo) const {
        Rows rows;
        const ReportList& list = A.Lists[listNo];
        for (size_t r = 0; r < list.RowCount(); ++r) {
            std::vector<std::string> cells;
            for (size_t c = 1; c <= list.Rows[r].Cells.size(); ++c) cells.emplace_back(list.Cell(r, c));
            rows.push_back(cells);
        }
        return rows;
    }
};

// Six visitors, goal /buy.html. The referrer pass is not part of this test: its flags are
// set by hand on the Referrers records it would mark.
//   A: from a search engine (term 1), enters /index.html, converts
//   B: from the site itself, enters /index.html, converts
//   C: no referrer, enters /landing.html, converts
//   D: from the blog, enters /landing.html, does not convert
//   E: from the blog, enters /landing.html; converts only in its second session (other source)
//   F: from the blog, enters /index.html, does not convert
void ReadShop(LogRun& run) {
    run.Read({Line("1.0.0.1", "10/Oct/2000:10:00:00", "/index.html", Google) +
                  Line("1.0.0.2", "10/Oct/2000:10:00:01", "/index.html", Internal) +
                  Line("1.0.0.1", "10/Oct/2000:10:00:02", "/buy.html", "http://mysite.com/index.html") +
                  Line("1.0.0.3", "10/Oct/2000:10:00:03", "/landing.html") +
                  Line("1.0.0.2", "10/Oct/2000:10:00:04", "/buy.html") +
                  Line("1.0.0.4", "10/Oct/2000:10:00:05", "/landing.html", Blog) +
                  Line("1.0.0.5", "10/Oct/2000:10:00:06", "/landing.html", Blog) +
                  Line("1.0.0.3", "10/Oct/2000:10:00:07", "/buy.html") +
                  Line("1.0.0.6", "10/Oct/2000:10:00:08", "/index.html", Blog),
              Line("1.0.0.5", "11/Oct/2000:09:00:00", "/other.html", "http://other.com/") +
                  Line("1.0.0.5", "11/Oct/2000:09:00:01", "/buy.html")});
    AnalysisTables& t = run.A.Tables;
    t.SearchTerms.push_back({"shoes", "Google", 3, Google, "/index.html"});
    for (uint32_t r = 1; r <= t.ReferrerCount(); ++r) {
        if (t.Referrers[r].Referrer == Google) {
            t.Referrers[r].IsSearch = true;
            t.Referrers[r].SearchTermIndex = 1;
        }
        if (t.Referrers[r].Referrer == Internal) t.Referrers[r].IsInternal = true;
    }
    // Later records of the same referring URL do not count: the first one decides.
    bool firstBlog = true;
    for (uint32_t r = 1; r <= t.ReferrerCount(); ++r) {
        if (t.Referrers[r].Referrer != Blog) continue;
        t.Referrers[r].IsInternal = !firstBlog;
        firstBlog = false;
    }
    uint32_t later = t.AppendReferrer(Google, "/elsewhere.html");
    t.Referrers[later].Hits = 1;
}

} // namespace

TEST(Conversions, SourcesOfConvertedVisitors) {
    struct Case {
        const char* name;
        bool hideSearchEngines;
        Rows referrers, searchTerms, entryPages;
    };
    const Rows terms = {{"shoes", "Google", Google, "3", "1", "33.33"}};
    const Rows pages = {{"/index.html", "3", "2", "66.67"}, {"/landing.html", "3", "2", "66.67"}};
    const Case cases[] = {
        {"search referrers hidden", true, {{Blog, "3", "1", "33.33"}}, terms, pages},
        {"search referrers shown", false, {{Google, "1", "1", "100.00"}, {Blog, "3", "1", "33.33"}}, terms, pages},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogRun run;
        run.A.Options.HideSearchEngines = c.hideSearchEngines;
        ReadShop(run);
        GenerateConversionsReport(run.A, "/buy.html", true);

        EXPECT_EQ(run.ListRows(lstConversions0), c.referrers);
        EXPECT_EQ(run.ListRows(lstConversions1), c.searchTerms);
        EXPECT_EQ(run.ListRows(lstConversions2), c.entryPages);

        // The visitor without a referrer is collected under "-" but never shown or counted.
        const ConversionReport& report = run.A.Tables.ConversionReports[1];
        auto dash = std::find_if(report.Sources[0].begin(), report.Sources[0].end(),
                                 [](const ConversionSource& s) { return s.Source == "-"; });
        ASSERT_NE(dash, report.Sources[0].end());
        EXPECT_EQ(dash->Conversions, 1);
        EXPECT_EQ(dash->Visitors, 0);
        EXPECT_EQ(dash->PercentConversions, "");
        EXPECT_EQ(report.Sources[1][0].Source, "1");

        EXPECT_EQ(run.Host.Statuses, (std::vector<std::string>{"Generating Conversion Report for /buy.html ...",
                                                               "Conversion Report Generated"}));
        EXPECT_EQ(run.A.Lists.ConversionFiles, std::vector<std::string>{"/buy.html"});
        EXPECT_EQ(run.A.Tables.CurrentConversionReport, 1);
        EXPECT_EQ(run.A.Lists.ConversionFileIndex, 0);
        EXPECT_TRUE(run.A.Lists.AutoConversionEnabled);
    }
}

TEST(Conversions, ReportsAreKeptPerGoal) {
    LogRun run;
    ReadShop(run);
    run.A.CurrentProfile.AutoConversionReports = {"/x.html", "/buy.html"};
    GenerateConversionsReport(run.A, "/buy.html", false);
    EXPECT_TRUE(run.A.Lists.AutoConversionChecked);

    // A goal nobody reached still gets its (empty) report and combo entry.
    GenerateConversionsReport(run.A, "/nowhere.html", false);
    EXPECT_EQ(run.A.Tables.ConversionReportCount(), 2u);
    EXPECT_EQ(run.A.Lists.ConversionFiles, (std::vector<std::string>{"/buy.html", "/nowhere.html"}));
    EXPECT_EQ(run.A.Tables.CurrentConversionReport, 2);
    EXPECT_FALSE(run.A.Lists.AutoConversionChecked);
    for (int n : {lstConversions0, lstConversions1, lstConversions2}) EXPECT_TRUE(run.ListRows(n).empty());

    // Asking again shows the stored report without computing it again.
    run.A.Tables.ConversionReports[1].Sources[2][0].Conversions = 99;
    run.Host.Statuses.clear();
    GenerateConversionsReport(run.A, "/buy.html", true);
    EXPECT_TRUE(run.Host.Statuses.empty());
    EXPECT_EQ(run.A.Tables.ConversionReportCount(), 2u);
    EXPECT_EQ(run.A.Lists.ConversionFiles.size(), 2u);
    EXPECT_EQ(run.A.Tables.CurrentConversionReport, 1);
    EXPECT_EQ(run.A.Lists.ConversionFileIndex, 0);
    EXPECT_EQ(run.A.Lists[lstConversions2].Cell(0, 3), "99");
    EXPECT_TRUE(run.A.Lists.AutoConversionChecked);
}

TEST(Conversions, CompareColumnsAfterACompareLoad) {
    LogRun run;
    ReadShop(run);
    GenerateConversionsReport(run.A, "/buy.html", false);
    ConversionSource& page = run.A.Tables.ConversionReports[1].Sources[2][0];
    page.CompareVisitors = 1500;
    page.CompareConversions = 5;
    page.ComparePercentConversions = "0.33";
    run.A.Lists.State.CompareReportLoaded = true;
    run.A.Lists[lstConversions2].Sorted = true;
    DisplayConversionsReport(run.A, 1);
    EXPECT_EQ(run.ListRows(lstConversions2),
              (Rows{{"/index.html", "3", "2", "66.67", "1500", "5", "0.33"},
                    {"/landing.html", "3", "2", "66.67", "0", "0", ""}}));
    EXPECT_EQ(run.ListRows(lstConversions1), (Rows{{"shoes", "Google", Google, "3", "1", "33.33", "0", "0", ""}}));
    EXPECT_FALSE(run.A.Lists[lstConversions2].Sorted);
}

TEST(Conversions, ProgressAndEmptyRuns) {
    // 250 visitors: the window gets its events at visitors 100 and 200.
    LogRun run;
    std::string log;
    for (int i = 1; i <= 250; ++i) log += Line("2.0." + std::to_string(i / 100) + "." + std::to_string(i % 100),
                                               "10/Oct/2000:10:00:00", i % 3 == 0 ? "/goal.html" : "/a.html");
    run.Read({log});
    GenerateConversionsReport(run.A, "/goal.html", false);
    EXPECT_EQ(run.Host.EventsServed, 2);
    EXPECT_EQ(run.ListRows(lstConversions2), (Rows{{"/goal.html", "83", "83", "100.00"}}));

    // No visitors at all: an empty report, still listed.
    LogRun empty;
    empty.Read({});
    GenerateConversionsReport(empty.A, "/goal.html", false);
    EXPECT_EQ(empty.A.Tables.ConversionReportCount(), 1u);
    EXPECT_EQ(empty.A.Lists.ConversionFiles, std::vector<std::string>{"/goal.html"});
    EXPECT_EQ(empty.Host.Statuses.back(), "Conversion Report Generated");
}

TEST(Conversions, SpiderRequestsAndFirstRequestsThatAreNotStatus200) {
    auto line = [](const std::string& ip, const std::string& file, int status, const std::string& referrer,
                   const std::string& agent) {
        return ip + " - - [10/Oct/2000:10:00:00 +0000] \"GET " + file + " HTTP/1.1\" " + std::to_string(status) +
               " 10 \"" + referrer + "\" \"" + agent + "\"\n";
    };
    struct Case {
        const char* name;
        std::string log;
        Rows referrers, entryPages;
    };
    const Case cases[] = {
        {"a spider of the visitor's address fetching the goal does not convert it",
         line("1.0.0.1", "/index.html", 200, "http://blog.com/", "UA") +
             line("1.0.0.1", "/buy.html", 200, "-", "Crawlbot/1"),
         {}, {}},
        {"the visitor's own request converts, spider requests around it change nothing",
         line("1.0.0.1", "/robots.txt", 200, "-", "Crawlbot/1") +
             line("1.0.0.1", "/index.html", 200, "http://blog.com/", "UA") +
             line("1.0.0.1", "/buy.html", 200, "-", "UA"),
         {{"http://blog.com/", "1", "1", "100.00"}}, {{"/index.html", "1", "1", "100.00"}}},
        {"own-site referrer of a first request that was not status 200 is not a source",
         line("1.0.0.2", "/index.html", 304, "http://mysite.com/old.html", "UA") +
             line("1.0.0.2", "/buy.html", 200, "-", "UA"),
         {}, {{"/index.html", "1", "1", "100.00"}}},
        {"foreign referrer of a first request that was not status 200 still is",
         line("1.0.0.3", "/index.html", 304, "http://blog.com/", "UA") +
             line("1.0.0.3", "/buy.html", 200, "-", "UA"),
         {{"http://blog.com/", "1", "1", "100.00"}}, {{"/index.html", "1", "1", "100.00"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogRun run;
        run.A.Reference.SpiderStrings = {"", "bot/"};
        run.A.CurrentProfile.Domains = {"mysite.com"};
        run.Read({c.log});
        GenerateConversionsReport(run.A, "/buy.html", false);
        EXPECT_EQ(run.ListRows(lstConversions0), c.referrers);
        EXPECT_EQ(run.ListRows(lstConversions2), c.entryPages);
    }
}
