#include "engine/Analyser.h"
#include "engine/read/LogReader.h"
#include "engine/parse/StoredEntryReader.h"
#include "engine/analysis/VisitorPass.h"
#include "support/LogFiles.h"

#include <gtest/gtest.h>

#include <map>

using namespace trevix;

namespace {

// One combined log line; stamp is "dd/Mon/yyyy:hh:mm:ss".
std::string Line(const std::string& ip, const std::string& stamp, const std::string& file, long bytes = 100,
                 const std::string& referrer = "-", const std::string& agent = "Mozilla/5.0 (X11; Linux) Firefox/1",
                 const std::string& zone = "+0000") {
    return ip + " - - [" + stamp + " " + zone + "] \"GET " + file + " HTTP/1.1\" 200 " + std::to_string(bytes) +
           " \"" + referrer + "\" \"" + agent + "\"\n";
}

// An analyser reading its log files from a temporary folder, local time = UTC.
struct LogRun : trevix::testing::LogFiles {
    LogRun() {
        A.Reference.GraphicExtensions = {"", "gif", "jpg"};
        A.ClearAllData();
    }
    void Read(const std::vector<std::string>& files) { ReadFiles(files); }
    std::vector<std::string> Row(size_t row) const {
        std::vector<std::string> cells;
        for (size_t c = 1; c <= 10; ++c) cells.emplace_back(A.Lists[lstIPs].Cell(row, c));
        return cells;
    }
};

} // namespace

TEST(VisitorPass, VisitorRowsAcrossFiles) {
    struct Case {
        const char* name;
        std::vector<std::string> files;
        std::vector<std::string> cells;   // the ten cells of the only row
        int firstFile, lastFile;
    };
    const Case cases[] = {
        {"late evening then next morning",
         {Line("1.1.1.1", "10/Oct/2000:23:50:00", "/a.html", 1048576, "http://r.com/") +
              Line("1.1.1.1", "10/Oct/2000:23:55:00", "/b.html", 524288),
          Line("1.1.1.1", "11/Oct/2000:08:00:00", "/c.html", 0, "http://other.com/") +
              Line("1.1.1.1", "11/Oct/2000:08:10:00", "/d.html", 0)},
         {"1.1.1.1", "(unknown)", "http://r.com/", "10/10/2000 23:50:00", "/a.html", "11/10/2000 08:10:00",
          "/d.html", "0d 08:20:00", "4", "1.50"},
         1, 2},
        {"only graphics: exit time without exit page",
         {Line("2.2.2.2", "10/Oct/2000:10:00:00", "/x.gif") + Line("2.2.2.2", "10/Oct/2000:10:00:05", "/y.JPG")},
         {"2.2.2.2", "(unknown)", "-", "10/10/2000 10:00:00", "/x.gif", "10/10/2000 10:00:05", "", "0d 00:00:05",
          "2", "0.00"},
         1, 1},
        {"second file covers an earlier period",
         {Line("3.3.3.3", "12/Oct/2000:09:00:00", "/late.html", 0, "http://late/"),
          Line("3.3.3.3", "11/Oct/2000:09:00:00", "/early.html", 0, "http://early/")},
         {"3.3.3.3", "(unknown)", "http://early/", "11/10/2000 09:00:00", "/early.html", "12/10/2000 09:00:00",
          "/late.html", "1d 00:00:00", "2", "0.00"},
         2, 1},
        {"time stamps without a zone read as midnight of their date",
         {Line("5.5.5.5", "10/Oct/2000:10:00:00", "/a.html", 0, "-", "UA", "") +
          Line("5.5.5.5", "11/Oct/2000:10:00:00", "/b.html", 0, "-", "UA", "")},
         {"5.5.5.5", "(unknown)", "-", "10/10/2000", "/a.html", "11/10/2000", "/b.html", "1d 00:00:00", "2",
          "0.00"},
         1, 1},
        {"equal times: the lower slot wins",
         {Line("4.4.4.4", "10/Oct/2000:12:00:00", "/one.html", 0, "http://one/"),
          Line("4.4.4.4", "10/Oct/2000:12:00:00", "/two.html", 0, "http://two/")},
         {"4.4.4.4", "(unknown)", "http://one/", "10/10/2000 12:00:00", "/one.html", "10/10/2000 12:00:00",
          "/one.html", "0d 00:00:00", "2", "0.00"},
         1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogRun run;
        run.Read(c.files);
        RunVisitorPass(run.A);
        ASSERT_EQ(run.A.Lists[lstIPs].RowCount(), 1u);
        EXPECT_EQ(run.Row(0), c.cells);
        EXPECT_EQ(run.A.Tables.Visitors[1].FirstFile, c.firstFile);
        EXPECT_EQ(run.A.Tables.Visitors[1].LastFile, c.lastFile);
    }
}

TEST(VisitorPass, CountsVisitorsPerDateAndHour) {
    struct Case {
        const char* name;
        std::vector<std::string> files;
        bool convert;
        std::vector<std::pair<std::string, int>> dates;   // DateVisitors in table order
        std::map<int, int> hours;                         // the hours that are not 0
    };
    const Case cases[] = {
        {"two visitors on one date, one of them also on the next",
         {Line("1.1.1.1", "10/Oct/2000:08:00:00", "/a") + Line("2.2.2.2", "10/Oct/2000:09:15:00", "/a") +
          Line("1.1.1.1", "11/Oct/2000:10:00:00", "/b")},
         true,
         {{"10/10/2000", 2}},
         {{8, 1}, {9, 1}}},
        {"dates in order of first appearance",
         {Line("1.1.1.1", "12/Oct/2000:07:00:00", "/a"), Line("2.2.2.2", "10/Oct/2000:07:30:00", "/a") +
                                                             Line("3.3.3.3", "12/Oct/2000:23:59:59", "/a")},
         true,
         {{"12/10/2000", 2}, {"10/10/2000", 1}},
         {{7, 2}, {23, 1}}},
        {"log zone one hour behind local time",
         {Line("1.1.1.1", "10/Oct/2000:23:30:00", "/a", 1, "-", "UA", "-0100")},
         true,
         {{"11/10/2000", 1}},
         {{0, 1}}},
        {"the same without conversion",
         {Line("1.1.1.1", "10/Oct/2000:23:30:00", "/a", 1, "-", "UA", "-0100")},
         false,
         {{"10/10/2000", 1}},
         {{23, 1}}},
        {"stamps without a zone count on their date at hour 0",
         {Line("1.1.1.1", "10/Oct/2000:23:30:00", "/a", 1, "-", "UA", "") +
          Line("2.2.2.2", "11/Oct/2000:08:00:00", "/a", 1, "-", "UA", "")},
         true,
         {{"10/10/2000", 1}, {"11/10/2000", 1}},
         {{0, 2}}},
        {"the earliest session counts, not the first file",
         {Line("1.1.1.1", "12/Oct/2000:15:00:00", "/a"), Line("1.1.1.1", "11/Oct/2000:04:00:00", "/a")},
         true,
         {{"11/10/2000", 1}},
         {{4, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogRun run;
        run.A.Options.ConvertTimes = c.convert;
        run.Read(c.files);
        RunVisitorPass(run.A);
        std::vector<std::pair<std::string, int>> dates;
        for (uint32_t i = 1; i <= run.A.Tables.DateVisitorCount(); ++i)
            dates.emplace_back(run.A.Tables.DateVisitors[i].Date, run.A.Tables.DateVisitors[i].Hits);
        EXPECT_EQ(dates, c.dates);
        std::map<int, int> hours;
        for (int h = 0; h < 48; ++h)
            if (run.A.Tables.HourVisitors[h] != 0) hours[h] = run.A.Tables.HourVisitors[h];
        EXPECT_EQ(hours, c.hours);
    }
}

TEST(VisitorPass, VisitorReportOfSelectedRows) {
    LogRun run;
    BrowserDefinition firefox;
    firefox.MatchStrings = {"Firefox"};
    firefox.Name = "Firefox";
    BrowserDefinition linux;
    linux.MatchStrings = {"Linux"};
    linux.Name = "Linux";
    linux.IsOS = true;
    run.A.Reference.BrowserDefinitions.push_back(firefox);
    run.A.Reference.BrowserDefinitions.push_back(linux);
    // Entries of three visitors interleaved, plus one of a visitor nobody selects.
    run.Read({Line("1.1.1.1", "10/Oct/2000:10:00:00", "/a.html", 1234, "http://r/", "Firefox X11 Linux") +
                  Line("2.2.2.2", "10/Oct/2000:10:00:01", "/b.html", 0, "-", "Agent/1") +
                  Line("9.9.9.9", "10/Oct/2000:10:00:02", "/z.html") +
                  Line("3.3.3.3", "10/Oct/2000:10:00:03", "/c.html", 5, "-", "Other/2") +
                  Line("1.1.1.1", "10/Oct/2000:10:00:04", "/logo.gif", 1048576, "http://site/a.html",
                       "Firefox X11 Linux later") +
                  Line("2.2.2.2", "10/Oct/2000:10:00:05", "/b2.html", 7, "-", "Agent/2")});
    RunVisitorPass(run.A);

    VisitorReport r = BuildVisitorReport(run.A, {"1.1.1.1", "2.2.2.2", "3.3.3.3"});
    EXPECT_EQ(r.Caption, "Visitor Report - 3 visitors");
    EXPECT_EQ(r.Summary, "Visitor: 1.1.1.1 from (unknown)\r\n"
                         "Browser: Firefox on Linux (Firefox X11 Linux later)\r\n"
                         "Requests: 2\r\n"
                         "Bandwidth used: 1.00 MB\r\n"
                         "Visitor: 2.2.2.2 from (unknown)\r\n"
                         "Browser: (unknown) on (unknown) (Agent/2)\r\n"
                         "Requests: 2\r\n"
                         "Bandwidth used: 0.00 MB\r\n"
                         "Visitor: 3.3.3.3 from (unknown)\r\n"
                         "Browser: (unknown) on (unknown) (Other/2)\r\n"
                         "Requests: 1\r\n"
                         "Bandwidth used: 0.00 MB\r\n");
    const std::vector<std::vector<std::string>> rows = {
        {"1.1.1.1", "10/10/2000 10:00:00", "/a.html", "http://r/", "200", "1,234"},
        {"1.1.1.1", "10/10/2000 10:00:04", "/logo.gif", "http://site/a.html", "200", "1,048,576"},
        {"2.2.2.2", "10/10/2000 10:00:01", "/b.html", "-", "200", ""},
        {"2.2.2.2", "10/10/2000 10:00:05", "/b2.html", "-", "200", "7"},
        {"3.3.3.3", "10/10/2000 10:00:03", "/c.html", "-", "200", "5"},
    };
    const ReportList& pages = run.A.Lists.Pages;
    ASSERT_EQ(pages.RowCount(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        std::vector<std::string> cells;
        for (size_t c = 1; c <= 6; ++c) cells.emplace_back(pages.Cell(i, c));
        EXPECT_EQ(cells, rows[i]) << "row " << i;
    }
    // The empty names were written back into the visitor record.
    EXPECT_EQ(run.A.Tables.Visitors[2].Browser, "(unknown)");
    EXPECT_EQ(run.A.Tables.Visitors[2].OS, "(unknown)");

    // A second report refills the same page list.
    VisitorReport one = BuildVisitorReport(run.A, {"3.3.3.3"});
    EXPECT_EQ(one.Caption, "Visitor Report - 3.3.3.3");
    EXPECT_EQ(pages.RowCount(), 1u);

    // No selection: nothing changes.
    VisitorReport none = BuildVisitorReport(run.A, {});
    EXPECT_EQ(none.Caption, "");
    EXPECT_EQ(pages.RowCount(), 1u);
}

TEST(VisitorPass, VisitorReportWithoutLogEntries) {
    // What a report load leaves: visitor records, no log entries.
    Analyser a;
    uint32_t v = a.Tables.AppendVisitor("5.6.7.8");
    a.Tables.Visitors[v].Country = "Norway";
    a.Tables.Visitors[v].Requests = 1234;
    a.Tables.Visitors[v].Bytes = 2.5;
    a.Tables.Visitors[v].FirstFile = 1;
    a.Tables.Visitors[v].Sessions.resize(2);
    VisitorReport r = BuildVisitorReport(a, {"5.6.7.8"});
    EXPECT_EQ(r.Caption, "Visitor Report - 5.6.7.8");
    EXPECT_EQ(r.Summary, "Visitor: 5.6.7.8 from Norway\r\nBrowser: (unknown) on (unknown) ()\r\n"
                         "Requests: 1,234\r\nBandwidth used: 2.50 MB\r\n");
    EXPECT_EQ(a.Lists.Pages.RowCount(), 0u);
}

TEST(VisitorPass, VisitorReportListsEveryRequestOfTheAddress) {
    const std::string bot = "Crawlbot/2.0";
    const std::string browser = "Mozilla/5.0 Firefox";
    struct Case {
        const char* name;
        std::string log;
        std::vector<std::string> files;   // lstPages File column, in order
        const char* summaryAgent;
        const char* requests;
    };
    const Case cases[] = {
        {"spider request before the first visit",
         Line("1.1.1.1", "10/Oct/2000:10:00:00", "/robots.txt", 0, "-", bot) +
             Line("2.2.2.2", "10/Oct/2000:10:00:01", "/other.html") +
             Line("1.1.1.1", "10/Oct/2000:10:00:02", "/a.html", 0, "-", browser),
         {"/robots.txt", "/a.html"}, "Mozilla/5.0 Firefox", "1"},
        {"spider requests between and after",
         Line("1.1.1.1", "10/Oct/2000:10:00:00", "/a.html", 0, "-", browser) +
             Line("1.1.1.1", "10/Oct/2000:10:00:01", "/robots.txt", 0, "-", bot) +
             Line("1.1.1.1", "10/Oct/2000:10:00:02", "/b.html", 0, "-", browser) +
             Line("1.1.1.1", "10/Oct/2000:10:00:03", "/sitemap.xml", 0, "-", bot),
         {"/a.html", "/robots.txt", "/b.html", "/sitemap.xml"}, "Crawlbot/2.0", "2"},
        {"several spider requests before, another address's spider in between",
         Line("1.1.1.1", "10/Oct/2000:10:00:00", "/s1", 0, "-", bot) +
             Line("3.3.3.3", "10/Oct/2000:10:00:01", "/t1", 0, "-", bot) +
             Line("1.1.1.1", "10/Oct/2000:10:00:02", "/s2", 0, "-", bot) +
             Line("1.1.1.1", "10/Oct/2000:10:00:03", "/a.html", 0, "-", browser),
         {"/s1", "/s2", "/a.html"}, "Mozilla/5.0 Firefox", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogRun run;
        run.A.Reference.SpiderStrings = {"", "bot/"};
        run.Read({c.log});
        RunVisitorPass(run.A);
        VisitorReport r = BuildVisitorReport(run.A, {"1.1.1.1"});
        std::vector<std::string> files;
        for (size_t i = 0; i < run.A.Lists.Pages.RowCount(); ++i) {
            EXPECT_EQ(run.A.Lists.Pages.Cell(i, 1), "1.1.1.1");
            files.emplace_back(run.A.Lists.Pages.Cell(i, 3));
        }
        EXPECT_EQ(files, c.files);
        EXPECT_NE(r.Summary.find(std::string(" (") + c.summaryAgent + ")\r\n"), std::string::npos) << r.Summary;
        // The visitor's own counts still leave the spider requests out.
        EXPECT_NE(r.Summary.find(std::string("Requests: ") + c.requests + "\r\n"), std::string::npos) << r.Summary;
    }
}

TEST(VisitorPass, AddressChainsSurviveASecondFile) {
    LogRun run;
    run.A.Reference.SpiderStrings = {"", "bot/"};
    run.Read({Line("1.1.1.1", "10/Oct/2000:10:00:00", "/s.txt", 0, "-", "Crawlbot/1"),
              Line("1.1.1.1", "11/Oct/2000:10:00:00", "/a.html") +
                  Line("1.1.1.1", "11/Oct/2000:10:00:01", "/t.txt", 0, "-", "Crawlbot/1") +
                  Line("1.1.1.1", "11/Oct/2000:10:00:02", "/b.html")});
    std::vector<std::string> files;
    StoredEntryReader reader(run.A);
    for (uint32_t j : run.A.Tables.EntriesOfAddress(1)) files.emplace_back(reader.Read(j).File);
    EXPECT_EQ(files, (std::vector<std::string>{"/s.txt", "/a.html", "/t.txt", "/b.html"}));
    EXPECT_TRUE(run.A.Tables.EntriesOfAddress(0).empty());
    EXPECT_TRUE(run.A.Tables.EntriesOfAddress(2).empty());
}
