#include "engine/run/AnalysisRun.h"
#include "engine/Analyser.h"
#include "engine/analysis/ListFilling.h"
#include "engine/read/LogReader.h"
#include "support/RawLogText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace trevix {

namespace {

struct Message {
    MessageIcon Icon;
    std::string Title, Text;
};

// Records what the run showed; cancels while the file named CancelIn is being read.
class RecordingHost : public NullHost {
public:
    std::vector<std::string> Statuses;
    std::vector<Message> Messages;
    std::string CancelIn;
    void SetStatus(std::string_view text) override {
        Statuses.emplace_back(text);
        reading_ = !CancelIn.empty() && text.starts_with("Loading " + CancelIn);
    }
    void ProcessEvents() override { cancel_ = cancel_ || reading_; }
    bool IsCancelled() override { return cancel_; }
    void ResetCancel() override { cancel_ = false; }
    void ShowMessage(MessageIcon icon, std::string_view title, std::string_view text) override {
        Messages.push_back({icon, std::string(title), std::string(text)});
    }

private:
    bool reading_ = false, cancel_ = false;
};

std::string Line(const std::string& ip, const std::string& stamp, const std::string& file, int status,
                 const std::string& referrer = "-", const std::string& agent = "Mozilla/4.0",
                 long bytes = 100) {
    return ip + " - - [" + stamp + "] \"GET " + file + " HTTP/1.0\" " + std::to_string(status) + " " +
           std::to_string(bytes) + " \"" + referrer + "\" \"" + agent + "\"\n";
}

std::vector<std::vector<std::string>> Cells(const ReportList& list) {
    std::vector<std::vector<std::string>> out;
    for (const ListRow& r : list.Rows)
        out.push_back(r.Cells.Strings());
    return out;
}

class AnalysisRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("trevix-run-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        a.SetHost(&host);
        request.PushRecent = [this](RecentList l, std::string_view s) {
            pushes.emplace_back(l, std::string(s));
        };
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& text) {
        std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        request.Files.push_back(path);
        return path;
    }
    RunResult Run() { return AnalyseLogFiles(a, request); }

    Analyser a;
    RecordingHost host;
    RunRequest request;
    std::vector<std::pair<RecentList, std::string>> pushes;
    std::filesystem::path dir_;
};

TEST(Summary, TextOfTheTables) {
    struct Case {
        int Files;
        const char *First, *Last;
        uint32_t Entries, Spiders, Visitors;
        double Megabytes;
        const char* Expected;
    };
    const Case cases[] = {
        {0, "", "", 0, 0, 0, 0,
         "Loaded 0 log files; no log line was read\r\nTotal hits: 0 (of which spiders "
         "0)\r\n"
         "Unique IP's: 0\r\nBandwidth used: 0 MB."},
        {2, "01/Oct/2006 00:00:12", "02/Oct/2006 23:59:58", 12345, 1234, 678, 57.3,
         "Loaded 2 log files covering 01/10/2006 00:00:12 to 02/10/2006 23:59:58 (total duration 1 days "
         "23:59:46)\r\n"
         "Total hits: 12,345 (of which spiders 1,234)\r\nUnique IP's: 678, average 16.388 files per IP.\r\n"
         "Bandwidth used: 57 MB."},
        // One day exactly; only spiders: no average.
        {1, "10/Oct/2000 00:00:00", "11/Oct/2000 00:00:00", 3, 3, 0, 0.5,
         "Loaded 1 log file covering 10/10/2000 to 11/10/2000 (total duration 1 days 00:00:00)\r\n"
         "Total hits: 3 (of which spiders 3)\r\nUnique IP's: 0\r\nBandwidth used: 1 MB."},
        // Stamps whose time was not read (no zone) are their dates at midnight.
        {1, "10/Oct/2000 ", "12/Oct/2000 ", 2, 0, 1, 0,
         "Loaded 1 log file covering 10/10/2000 to 12/10/2000 (total duration 2 days 00:00:00)\r\n"
         "Total hits: 2 (of which spiders 0)\r\nUnique IP's: 1, average 2.000 files per IP.\r\nBandwidth "
         "used: 0 MB."},
        // An unreadable stamp shows empty and gives no duration.
        {1, "10/Oct/2000 12:00:00", "xx/Foo/2000 13:00:00", 1, 0, 1, 0,
         "Loaded 1 log file covering 10/10/2000 12:00:00 to  (total duration 00:00:00)\r\n"
         "Total hits: 1 (of which spiders 0)\r\nUnique IP's: 1, average 1.000 files per IP.\r\nBandwidth "
         "used: 0 MB."},
    };
    for (const Case& c : cases) {
        Analyser a;
        a.Tables.FirstDateTime = c.First;
        a.Tables.LastDateTime = c.Last;
        a.Tables.EntryCount = c.Entries;
        a.Tables.SpiderHits = static_cast<int32_t>(c.Spiders);
        a.Tables.Visitors.resize(c.Visitors + 1);
        a.Tables.TotalMegabytes = c.Megabytes;
        EXPECT_EQ(SummaryText(a, c.Files), c.Expected);
    }
}

TEST(Summary, StampsTurnIsoAndShiftToLocalTime) {
    struct Case {
        const char* Zone;
        bool Convert;
        const char* Shown;
    };
    const Case cases[] = {{"-0330", true, "10/10/2000 15:30:00"},
                          {"-0330", false, "10/10/2000 12:00:00"},
                          {"+0200", true, "10/10/2000 10:00:00"}};
    for (const Case& c : cases) {
        Analyser a;
        a.Tables.LogTimeZone = c.Zone;
        a.Options.ConvertTimes = c.Convert;
        a.Tables.FirstDateTime = a.Tables.LastDateTime = "10/Oct/2000 12:00:00";
        std::string text = SummaryText(a, 1);
        EXPECT_TRUE(text.starts_with("Loaded 1 log file covering " + std::string(c.Shown) + " to " + c.Shown))
            << text;
        EXPECT_EQ(a.Tables.FirstDateTime, "2000-10-10 12:00:00");
    }
}

TEST(Summary, PercentVisitorsTruncatesToTenths) {
    Analyser a;
    const std::tuple<long long, long long, const char*> cases[] = {
        {1, 3, "33.3"}, {2, 3, "66.6"}, {1, 2, "50"}, {0, 7, "0"}, {3'000'000, 4'000'000, "75"}, {5, 0, ""}};
    for (auto [count, visitors, expected] : cases)
        EXPECT_EQ(PercentVisitors(a, count, visitors), expected);
}

TEST_F(AnalysisRunTest, MissingFileGivesOneMessageAndTheRunGoesOn) {
    std::string missing = (dir_ / "gone.log").string();
    request.Files = {missing, ""};
    std::string good = Write("a.log", Line("1.2.3.4", "10/Oct/2000:12:00:00 +0000", "/", 200) + "garbage\n");
    request.AutoConversionReports = {"/buy.html", "/thanks.html"};
    int reports = 0;
    request.WriteAutoReport = [&](Analyser&) { ++reports; };
    a.Filters.LogTextOn = true;
    a.Filters.LogText = "GET";
    a.Options.ShowRawLog = true;

    RunResult r = Run();
    EXPECT_EQ(r.FilesLoaded, 1);
    EXPECT_EQ(r.FilesMissing, 1);
    ASSERT_EQ(host.Messages.size(), 1u);
    EXPECT_EQ(host.Messages[0].Icon, MessageIcon::Critical);
    EXPECT_EQ(host.Messages[0].Title, "File does not exist");
    EXPECT_EQ(host.Messages[0].Text, "The file:\r\n\r\n" + missing +
                                         "\r\n\r\ndoes not exist. Please check the filename and try again.");
    EXPECT_TRUE(a.Lists.Summary.starts_with("Loaded 1 log file (1 could not be read) covering 10/10/2000 12:00:00"))
        << a.Lists.Summary;
    EXPECT_EQ(pushes, (std::vector<std::pair<RecentList, std::string>>{{RecentList::Filters, "GET"},
                                                                       {RecentList::Files, good}}));
    EXPECT_TRUE(a.Lists.State.Shown);
    EXPECT_NE(std::find(host.Statuses.begin(), host.Statuses.end(), "Displaying report..."),
              host.Statuses.end());
    EXPECT_NE(std::find(host.Statuses.begin(), host.Statuses.end(), "Done"), host.Statuses.end());
    EXPECT_TRUE(a.Lists.RawLogVisible);
    std::string accepted = Line("1.2.3.4", "10/Oct/2000:12:00:00 +0000", "/", 200);
    EXPECT_EQ(trevix::testing::RawLogText(a.Tables), accepted.substr(0, accepted.size() - 1) + "\r\n");
    EXPECT_TRUE(a.Lists.ErrorsLabelVisible); // the garbage line
    EXPECT_EQ(a.Lists.ConversionFiles, request.AutoConversionReports);
    EXPECT_EQ(reports, 1);
}

TEST_F(AnalysisRunTest, EmptyRunShowsOnlyTheUnknownCountry) {
    a.Tables.Cancelled = true; // left over from an earlier cancelled run
    Run();
    EXPECT_EQ(a.Lists.Summary,
              "Loaded 0 log files; no log line was read\r\nTotal hits: 0 (of "
              "which spiders 0)\r\nUnique IP's: 0\r\nBandwidth used: 0 MB.");
    EXPECT_EQ(Cells(a.Lists[lstCountries]), (std::vector<std::vector<std::string>>{{"(unknown)", "0"}}));
    EXPECT_EQ(a.Lists[lstCountries].Rows[0].Key, "unknown");
    for (int n : {lstFiles, lstReferrers, lstBrowsers, lstOS, lstWebBrowser, lstSearchTerms, lstSearchEngines,
                  lstErrors})
        EXPECT_EQ(a.Lists[n].RowCount(), 0u) << n;
    EXPECT_FALSE(a.Lists.ErrorsLabelVisible);
}

TEST_F(AnalysisRunTest, SpidersOnlyGiveNoAverageAndNoPercentages) {
    a.Reference.SpiderStrings = {"", "bot"};
    Write("s.log", Line("1.1.1.1", "10/Oct/2000:12:00:00 +0000", "/", 200, "-", "Somebot/1.0") +
                       Line("1.1.1.1", "10/Oct/2000:12:00:05 +0000", "/a", 200, "-", "Somebot/1.0"));
    Run();
    EXPECT_NE(a.Lists.Summary.find("(of which spiders 2)\r\nUnique IP's: 0\r\nBandwidth"), std::string::npos);
    EXPECT_EQ(Cells(a.Lists[lstCountries]), (std::vector<std::vector<std::string>>{{"(unknown)", "0"}}));
}

TEST_F(AnalysisRunTest, CancelledLastFileStillEndsTheRun) {
    struct Case {
        const char* CancelIn;
        bool AutoReport;
        const char* SummaryStart;
        bool Cancelled;
    };
    const Case cases[] = {{"b.log", true, "(Loading cancelled)", true},
                          {"b.log", false, "(Loading cancelled)", true},
                          {"a.log", true, "Loaded 2 log files", false}};
    for (const Case& c : cases) {
        Analyser a;
        RecordingHost host;
        host.CancelIn = c.CancelIn;
        a.SetHost(&host);
        a.Options.AutoReport = c.AutoReport;
        RunRequest req;
        for (const char* name : {"a.log", "b.log"}) {
            req.Files.push_back((dir_ / name).string());
            std::ofstream(req.Files.back()) << Line("1.2.3.4", "10/Oct/2000:12:00:00 +0000", "/", 200);
        }
        req.AutoConversionReports = {"/buy.html"};
        int reports = 0;
        req.WriteAutoReport = [&](Analyser&) { ++reports; };

        RunResult r = AnalyseLogFiles(a, req);
        EXPECT_EQ(r.LastFileCancelled, c.Cancelled);
        EXPECT_EQ(r.FilesCancelled, 1);
        EXPECT_EQ(r.CancelledFile, (dir_ / c.CancelIn).string());
        EXPECT_TRUE(a.Lists.Summary.starts_with(c.SummaryStart)) << a.Lists.Summary;
        EXPECT_EQ(a.Lists[lstCountries].RowCount(), c.Cancelled ? 0u : 1u);
        EXPECT_EQ(a.Lists.State.Shown, !c.Cancelled);
        EXPECT_NE(std::find(host.Statuses.begin(), host.Statuses.end(), "Done"), host.Statuses.end());
        EXPECT_EQ(a.Lists.ConversionFiles, req.AutoConversionReports);
        // A cancelled run never replaces the automatic report with a partial one.
        EXPECT_EQ(reports, c.AutoReport && !c.Cancelled ? 1 : 0);
    }
}

// Running out of memory names the file being read and the lines of the run so far, wherever
// that file stands in the list (front ends once named the list's last file).
TEST_F(AnalysisRunTest, OutOfMemoryNamesTheFileBeingRead) {
    const std::vector<std::vector<std::string>> orders = {
        {"big.log", "small.log"}, {"small.log", "big.log", "other.log"}, {"small.log", "other.log", "big.log"}};
    std::string big;
    for (int i = 0; i < 40000; ++i)
        big += Line("10.0.0." + std::to_string(i % 200), "10/Oct/2000:12:00:00 +0000", "/p", 200);
    const std::string small = Line("1.2.3.4", "10/Oct/2000:12:00:00 +0000", "/", 200) +
                              Line("1.2.3.5", "10/Oct/2000:12:00:01 +0000", "/", 200);
    setenv("TREVIX_MEMORY_BUDGET", "64K", 1);
    for (const auto& order : orders) {
        SCOPED_TRACE(order.front() + "," + order.back());
        Analyser a;
        a.SetHost(&host);
        RunRequest req;
        int before = 0;   // lines of the small files read ahead of the big one
        bool seenBig = false;
        for (const std::string& name : order) {
            req.Files.push_back((dir_ / name).string());
            std::ofstream(req.Files.back(), std::ios::binary) << (name == "big.log" ? big : small);
            seenBig = seenBig || name == "big.log";
            if (!seenBig) before += 2;
        }
        EXPECT_THROW(AnalyseLogFiles(a, req), std::bad_alloc);
        EXPECT_EQ(NotEnoughMemoryText(a), "Not enough memory to analyse " + (dir_ / "big.log").string() + ": " +
                                              std::to_string(before) + " lines read");
    }
    unsetenv("TREVIX_MEMORY_BUDGET");
}

// A real log is not in time order, and a filtered run covers only what it counted: the
// visitor's times span its earliest and latest request, the summary the counted entries.
TEST_F(AnalysisRunTest, TimesSpanTheEntriesCounted) {
    const std::string log = Line("1.1.1.1", "11/Oct/2000:01:00:27 +0000", "/b", 200) +
                            Line("2.2.2.2", "10/Oct/2000:09:00:00 +0000", "/", 200) +
                            Line("1.1.1.1", "10/Oct/2000:23:00:00 +0000", "/a", 200) +
                            Line("1.1.1.1", "11/Oct/2000:00:30:00 +0000", "/c", 200) +
                            Line("2.2.2.2", "12/Oct/2000:08:00:00 +0000", "/", 200);
    struct Case {
        const char* Name;
        int FilterDay;   // 0: no date filter
        const char* SummaryStart;
        std::vector<std::string> FirstVisitor;   // Entry Time, Exit Time, Time Spent; empty: no row
    };
    const Case cases[] = {
        {"unfiltered", 0,
         "Loaded 1 log file covering 10/10/2000 09:00:00 to 12/10/2000 08:00:00 (total duration 1 days 23:00:00)",
         {"10/10/2000 23:00:00", "11/10/2000 01:00:27", "0d 02:00:27"}},
        {"one day", 11,
         "Loaded 1 log file covering 11/10/2000 00:30:00 to 11/10/2000 01:00:27 (total duration 00:30:27)",
         {"11/10/2000 00:30:00", "11/10/2000 01:00:27", "0d 00:30:27"}},
        {"no day", 20, "Loaded 1 log file; no log line passed the filters\r\nTotal hits: 0", {}},
    };
    for (const Case& c : cases) {
        Analyser a;
        a.SetHost(&host);
        a.Filters.DateOn = c.FilterDay != 0;
        if (c.FilterDay != 0) a.Filters.Date1 = *DateTime::FromCivil(2000, 10, c.FilterDay);
        RunRequest req;
        req.Files = {(dir_ / "out-of-order.log").string()};
        std::ofstream(req.Files[0], std::ios::binary) << log;
        AnalyseLogFiles(a, req);
        EXPECT_TRUE(a.Lists.Summary.starts_with(c.SummaryStart)) << c.Name << ": " << a.Lists.Summary;
        const ReportList& ips = a.Lists[lstIPs];
        if (c.FirstVisitor.empty()) {
            EXPECT_EQ(ips.RowCount(), 0u) << c.Name;
            continue;
        }
        ASSERT_GE(ips.RowCount(), 1u) << c.Name;
        EXPECT_EQ(ips.Rows[0].Cells[0], "1.1.1.1");
        EXPECT_EQ((std::vector<std::string>{std::string(ips.Rows[0].Cells[3]), std::string(ips.Rows[0].Cells[5]), std::string(ips.Rows[0].Cells[7])}),
                  c.FirstVisitor)
            << c.Name;
    }
}

TEST_F(AnalysisRunTest, ReferrerPassFindsEnginesAndTerms) {
    using Rows = std::vector<std::vector<std::string>>;
    struct Case {
        const char* Name;
        std::vector<std::pair<std::string, std::string>> Hits; // referrer, requested file
        bool Hide;
        Rows Terms; // keywords, engine, from URL, to file, visitors
        Rows Engines;
        std::vector<std::string> Listed; // lstReferrers texts
    };
    const std::string g = "http://www.google.com/search";
    const Case cases[] = {
        {"paid click, then the same terms unpaid",
         {{g + "?q=shoes", "/?gclid=x1"}, {g + "?q=shoes", "/"}},
         true,
         {{"shoes", "Google AdWords", g + "?q=shoes", "/?gclid=x1", "1"},
          {"shoes", "Google", g + "?q=shoes", "/", "1"}},
         {{"Google", "1"}, {"Google AdWords", "1"}},
         {}},
        {"empty first value gives way to the second",
         {{g + "?q=&q=shoes", "/"}},
         true,
         {{"shoes", "Google", g + "?q=&q=shoes", "/", "1"}},
         {{"Google", "1"}},
         {}},
        {"second & occurrence",
         {{g + "?hl=en&q=&q=red+boots", "/"}},
         true,
         {{"red boots", "Google", g + "?hl=en&q=&q=red+boots", "/", "1"}},
         {{"Google", "1"}},
         {}},
        {"empty value only", {{g + "?q=&x=1", "/"}}, true, {}, {{"Google", "1"}}, {g + "?q=&x=1"}},
        {"no path after the host",
         {{"http://www.google.com?q=shoes", "/"}},
         true,
         {},
         {{"Google", "1"}},
         {"http://www.google.com?q=shoes"}},
        {"several definitions without terms",
         {{"http://ask.msn.example/x", "/"}},
         true,
         {},
         {{"MSN", "1"}, {"Ask", "1"}},
         {"http://ask.msn.example/x"}},
        {"letter case merges into the first form",
         {{g + "?q=Shoes", "/"}, {"http://www.google.de/search?q=shoes+", "/a"}, {g + "?q=SHOES", "/a"}},
         true,
         {{"Shoes", "Google", g + "?q=Shoes", "/", "3"}},
         {{"Google", "3"}},
         {}},
        {"letter case merges in every script, first form kept",
         {{g + "?q=%DCber+uns", "/"}, {g + "?q=%FCber+uns", "/"}, {g + "?q=%FCBER+UNS", "/a"},
          {g + "?q=%C3%9Cber+uns", "/b"}, {g + "?q=U%CC%88ber+uns", "/c"}},
         true,
         {{"\xC3\x9C" "ber uns", "Google", g + "?q=%DCber+uns", "/", "5"}},
         {{"Google", "5"}},
         {}},
        {"accented capitals and Greek",
         {{g + "?q=%C3%89T%C3%89+chaud", "/"}, {g + "?q=%C3%A9t%C3%A9+CHAUD", "/"},
          {g + "?q=%CE%A3%CE%9F%CE%A6%CE%99%CE%91", "/"}, {g + "?q=%CF%83%CE%BF%CF%86%CE%B9%CE%B1", "/"}},
         true,
         {{"\xC3\x89T\xC3\x89 chaud", "Google", g + "?q=%C3%89T%C3%89+chaud", "/", "2"},
          {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91", "Google", g + "?q=%CE%A3%CE%9F%CE%A6%CE%99%CE%91", "/", "2"}},
         {{"Google", "4"}},
         {}},
        {"hidden search referrers shown when the option is off",
         {{"http://search.yahoo.com/s?fr=x&p=red+car&b=1", "/"}, {"http://other.example/", "/"}},
         false,
         {{"red car", "Yahoo", "http://search.yahoo.com/s?fr=x&p=red+car&b=1", "/", "1"}},
         {{"Yahoo", "1"}},
         {"http://search.yahoo.com/s?fr=x&p=red+car&b=1", "http://other.example/"}},
        {"own site is not listed",
         {{"http://www.mysite.com/page", "/"}, {"http://other.example/", "/"}},
         true,
         {},
         {},
         {"http://other.example/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        a.Reference.SearchEngineDefinitions = {{},
                                         {"Google", "google.", "q"},
                                         {"Google AdWords", "!internal", "q"},
                                         {"Yahoo", "search.yahoo.", "p"},
                                         {"MSN", "msn.", "q"},
                                         {"Ask", "ask.", "q"}};
        a.Options.HideSearchEngines = c.Hide;
        request.Profile.Domains = {"mysite.com"};
        request.Files.clear();
        std::string log;
        for (auto& [ref, file] : c.Hits)
            log += Line("1.2.3.4", "10/Oct/2000:12:00:00 +0000", file, 200, ref);
        Write("r.log", log);
        Run();

        EXPECT_EQ(Cells(a.Lists[lstSearchTerms]), c.Terms);
        EXPECT_EQ(Cells(a.Lists[lstSearchEngines]), c.Engines);
        std::vector<std::string> listed;
        for (const ListRow& row : a.Lists[lstReferrers].Rows)
            listed.emplace_back(row.Cells[0]);
        EXPECT_EQ(listed, c.Listed);
        // Keys count the rows of each list; a listed referrer remembers its row key.
        for (size_t i = 0; i < a.Lists[lstSearchTerms].RowCount(); ++i)
            EXPECT_EQ(a.Lists[lstSearchTerms].Rows[i].Key, 'i' + std::to_string(i + 1));
        for (size_t r = 1, n = 0; r <= a.Tables.ReferrerCount(); ++r) {
            const ReferrerRecord& ref = a.Tables.Referrers[r];
            bool shown = !ref.RowKey.empty();
            if (shown) {
                EXPECT_EQ(ref.RowKey, 'r' + std::to_string(++n));
            }
            EXPECT_EQ(ref.IsSearch, ref.SearchTermIndex != 0);
        }
    }
}

// A large run fills its lists on two threads; they must come out exactly as one thread fills
// them from the same tables: every cell, number and key of every list, and the tables the
// passes write (dates, hours, search terms, referrers' rows).
TEST_F(AnalysisRunTest, PassesOnTwoThreadsFillWhatOneThreadFills) {
    std::string log;
    const char* agents[] = {"Mozilla/5.0 (Windows; Firefox)", "Lynx", "Mozilla/5.0 (Linux) Firefox", "curl"};
    for (int i = 0; i < 24000; ++i) {
        const int visitor = i % 11000;
        const std::string ip = "10." + std::to_string(visitor / 250) + "." + std::to_string(visitor % 250) + ".9";
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "%02d/Oct/2000:%02d:%02d:%02d +0100", 10 + i / 9000, i / 400 % 24,
                      i / 7 % 60, i % 60);
        const std::string referrer = i % 5 == 0   ? "http://www.google.com/search?q=term+" + std::to_string(i % 37)
                                     : i % 3 == 0 ? "http://site" + std::to_string(i % 9001) + ".example/"
                                                  : "-";
        log += Line(ip, stamp, "/p" + std::to_string(i % 97) + ".html", i % 13 == 0 ? 404 : 200, referrer,
                    agents[i % 4], 1000 + i);
    }
    const std::string path = Write("big.log", log);
    Analyser one;
    for (Analyser* x : {&a, &one}) {
        x->SetHost(&host);
        x->Reference.SearchEngineDefinitions = {{}, {"Google", "google.", "q"}};
        x->Reference.BrowserDefinitions.push_back({{"Firefox"}, "Firefox", 0, false});
        x->Reference.BrowserDefinitions.push_back({{"Windows"}, "Windows", 0, true});
    }
    Run();
    ASSERT_GE(a.Tables.VisitorCount() + a.Tables.ReferrerCount(), 20000u);   // the run took two threads

    one.ClearAllData();
    one.Tables.CurrentFileNumber = 1;
    ASSERT_TRUE(LoadFile(one, path));
    FillCountries(one);
    FillListsFromTables(one, false);

    for (int n = 1; n <= 16; ++n) {
        SCOPED_TRACE(n);
        const ReportList& x = a.Lists[n];
        const ReportList& y = one.Lists[n];
        ASSERT_EQ(x.RowCount(), y.RowCount());
        for (size_t r = 0; r < x.RowCount(); ++r) {
            ASSERT_EQ(x.Rows[r].Cells, y.Rows[r].Cells);
            ASSERT_EQ(x.Rows[r].Key, y.Rows[r].Key);
            for (size_t c = 0; c < x.Columns.size(); ++c) {
                const double p = x.Rows[r].Number(c), q = y.Rows[r].Number(c);
                ASSERT_TRUE(p == q || (!HasNumber(p) && !HasNumber(q)));
            }
        }
    }
    EXPECT_GT(a.Lists[lstIPs].RowCount(), 10000u);
    EXPECT_GT(a.Lists[lstSearchTerms].RowCount(), 30u);
    ASSERT_EQ(a.Tables.DateVisitorCount(), one.Tables.DateVisitorCount());
    for (uint32_t d = 1; d <= a.Tables.DateVisitorCount(); ++d)
        EXPECT_EQ(a.Tables.DateVisitors[d].Hits, one.Tables.DateVisitors[d].Hits);
    EXPECT_EQ(a.Tables.HourVisitors, one.Tables.HourVisitors);
    for (uint32_t r = 1; r <= a.Tables.ReferrerCount(); ++r)
        ASSERT_EQ(a.Tables.Referrers[r].RowKey, one.Tables.Referrers[r].RowKey);
    EXPECT_EQ(a.Lists.DateChart.Values, one.Lists.DateChart.Values);
}

TEST_F(AnalysisRunTest, ErrorsTakeFirstAndLastTimeOverFiles) {
    a.Reference.ErrorDescriptions = {{}, {404, "Not Found"}};
    Write("a.log", Line("1.1.1.1", "10/Oct/2000:10:00:00 +0000", "/gone", 404) +
                       Line("1.1.1.1", "10/Oct/2000:11:00:00 +0000", "/gone", 404) +
                       Line("1.1.1.1", "10/Oct/2000:11:30:00 +0000", "/", 200, "-", "Mozilla/4.0", 1572864));
    Write("b.log", Line("1.1.1.1", "09/Oct/2000:09:00:00 +0000", "/gone", 404) +
                       Line("1.1.1.1", "10/Oct/2000:12:00:00 +0000", "/gone", 404) +
                       Line("1.1.1.1", "10/Oct/2000:12:00:00 +0000", "/old", 410));
    Run();
    EXPECT_EQ(Cells(a.Lists[lstErrors]),
              (std::vector<std::vector<std::string>>{
                  {"404", "Not Found", "/gone", "-", "09/10/2000 09:00:00", "10/10/2000 12:00:00", "4"},
                  {"410", "Unknown", "/old", "-", "10/10/2000 12:00:00", "10/10/2000 12:00:00", "1"}}));
    EXPECT_EQ(Cells(a.Lists[lstFiles]),
              (std::vector<std::vector<std::string>>{{"/gone", "4", "0", "0", "0", "0.00"},
                                                     {"/", "1", "1", "0", "0", "1.50"},
                                                     {"/old", "1", "0", "0", "0", "0.00"}}));
}

TEST_F(AnalysisRunTest, SearchTermConversionsMergeRegardlessOfCase) {
    a.Reference.SearchEngineDefinitions = {{}, {"Google", "google.", "q"}};
    const std::string g = "http://www.google.com/search?q=";
    struct Visit {
        const char* ip;
        std::string terms;
        bool buys;
    };
    const Visit visits[] = {{"1.0.0.1", "Blue+Widgets", true},  {"1.0.0.2", "blue+widgets", true},
                            {"1.0.0.3", "BLUE+WIDGETS", false}, {"1.0.0.4", "%C3%9CBER+UNS", true},
                            {"1.0.0.5", "%FCber+uns", false}};
    std::string log;
    for (const Visit& v : visits) {
        log += Line(v.ip, "10/Oct/2000:12:00:00 +0000", "/", 200, g + v.terms);
        if (v.buys) log += Line(v.ip, "10/Oct/2000:12:01:00 +0000", "/buy.html", 200, "http://www.mysite.com/");
    }
    Write("c.log", log);
    request.Profile.Domains = {"mysite.com"};
    request.AutoConversionReports = {"/buy.html"};
    Run();
    EXPECT_EQ(Cells(a.Lists[lstConversions1]),
              (std::vector<std::vector<std::string>>{
                  {"Blue Widgets", "Google", g + "Blue+Widgets", "3", "2", "66.67"},
                  {"\xC3\x9C" "BER UNS", "Google", g + "%C3%9CBER+UNS", "2", "1", "50.00"}}));
}

TEST_F(AnalysisRunTest, StampsWithoutAZoneKeepTheirDates) {
    Write("z.log", Line("1.1.1.1", "10/Oct/2000:13:55:36", "/a.html", 200) +
                       Line("2.2.2.2", "11/Oct/2000:08:00:00", "/b.html", 200) +
                       Line("1.1.1.1", "11/Oct/2000:09:00:00", "/c.html", 200));
    Run();
    EXPECT_TRUE(a.Lists.Summary.starts_with("Loaded 1 log file covering 10/10/2000 to 11/10/2000 (total duration "
                                            "1 days 00:00:00)"))
        << a.Lists.Summary;
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(Cells(a.Lists[lstHits]), (Rows{{"10/10/2000", "1"}, {"11/10/2000", "1"}}));
    EXPECT_EQ(a.Lists[lstHour].Cell(0, 2), "2");
    const ReportList& ips = a.Lists[lstIPs];
    ASSERT_EQ(ips.RowCount(), 2u);
    EXPECT_EQ(ips.Cell(0, 4), "10/10/2000");
    EXPECT_EQ(ips.Cell(0, 6), "11/10/2000");
    EXPECT_EQ(ips.Cell(0, 8), "1d 00:00:00");
    // Each line still reports its missing zone, once.
    size_t reports = 0;
    for (size_t p = a.Tables.ErrorLogText.find("*** Internal Error"); p != std::string::npos;
         p = a.Tables.ErrorLogText.find("*** Internal Error", p + 1))
        ++reports;
    EXPECT_EQ(reports, 3u) << a.Tables.ErrorLogText;
}

// A host name in .uk and an address in a British range are one visitor country: the lookup
// gives the domain's code the country's index, so both count in the one row keyed gb.
TEST_F(AnalysisRunTest, HostNameAndAddressOfOneCountryShareItsRow) {
    a.Reference.CountryList = {{}, {"gb", "United Kingdom"}};
    a.Reference.CountryIndexByCode = {{"gb", 1}, {"uk", 1}};
    a.Reference.CountryRanges.Assign({{167772160, 184549375, 1}}); // 10.0.0.0/8
    Write("a.log", Line("10.1.2.3", "10/Oct/2000:10:00:00 +0000", "/", 200, "-", "Lynx") +
                       Line("pc.example.co.uk", "10/Oct/2000:10:00:00 +0000", "/", 200, "-", "Lynx"));
    Run();
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(Cells(a.Lists[lstCountries]), (Rows{{"(unknown)", "0", "0"}, {"United Kingdom", "2", "100"}}));
    EXPECT_EQ(a.Lists[lstCountries].Rows[1].Key, "gb");
    EXPECT_EQ(a.Lists[lstIPs].Cell(1, 2), "United Kingdom");
}

TEST_F(AnalysisRunTest, BrowsersSystemsAndCountries) {
    a.Reference.BrowserDefinitions.push_back({{"Firefox"}, "Firefox", 0, false});
    a.Reference.BrowserDefinitions.push_back({{"Windows"}, "Windows", 0, true});
    a.Reference.CountryList = {{}, {"de", "Germany"}, {"fr", "France"}, {"it", "Italy"}};
    a.Reference.CountryRanges.Assign({{167772160, 184549375, 1}}); // 10.0.0.0/8
    Write("a.log",
          Line("10.1.2.3", "10/Oct/2000:10:00:00 +0000", "/", 200, "-", "Mozilla/5.0 (Windows; Firefox)") +
              Line("pc.example.fr", "10/Oct/2000:10:00:00 +0000", "/", 200, "-", "Lynx") +
              Line("192.168.0.1", "10/Oct/2000:10:00:00 +0000", "/", 200, "-", "Lynx"));
    Run();
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(Cells(a.Lists[lstCountries]),
              (Rows{{"(unknown)", "1", "33.3"}, {"Germany", "1", "33.3"}, {"France", "1", "33.3"}}));
    EXPECT_EQ(a.Lists[lstCountries].Rows[1].Key, "de");
    EXPECT_EQ(Cells(a.Lists[lstWebBrowser]), (Rows{{"(unknown)", "2", "66.6"}, {"Firefox", "1", "33.3"}}));
    EXPECT_EQ(Cells(a.Lists[lstOS]), (Rows{{"(unknown)", "2", "66.6"}, {"Windows", "1", "33.3"}}));
    EXPECT_EQ(a.Lists[lstOS].Rows[1].Key, "i2");
    EXPECT_EQ(Cells(a.Lists[lstBrowsers]), (Rows{{"Mozilla/5.0", "1", "33.3"},
                                                 {"Windows", "1", "33.3"},
                                                 {"Firefox", "1", "33.3"},
                                                 {"Lynx", "2", "66.6"}}));
}

} // namespace
} // namespace trevix
