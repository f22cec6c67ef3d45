#include "engine/Analyser.h"
#include "engine/read/LogReader.h"
#include "engine/parse/StoredEntryReader.h"
#include "support/RawLogText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace trevix;
using trevix::testing::RecordingHost;
using trevix::testing::TempDir;

namespace {

// A few megabytes of varied lines: visitors and spiders, statuses, referrers, session IDs,
// rejected and filtered lines, Latin-1 bytes, CR LF ends, an over-long line.
std::string MixedLog(unsigned seed, int lines) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char* agents[] = {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) Chrome/131.0", "Googlebot/2.1",
                            "Mozilla/5.0 (iPhone; CPU iPhone OS 17_5 like Mac OS X) Safari/604.1", "curl/8.0"};
    const char* statuses[] = {"200", "200", "200", "304", "404", "206", "500"};
    std::ostringstream out;
    for (int i = 0; i < lines; ++i) {
        int kind = pick(200);
        if (kind == 0) {
            out << "10.0.0." << pick(9) << " - - [01/Oct/2026:10:00:00 +0000] \"PUT /x HTTP/1.1\" 405 0\n";
            continue;
        }
        if (kind == 1) {
            out << "bad line without brackets " << i << "\n";
            continue;
        }
        if (kind == 2) {
            out << "\n";
            continue;
        }
        if (kind == 3 && i > lines / 2) {
            out << "10.0.0.1 - - [01/Oct/2026:10:00:00 +0000] \"GET /" << std::string(30001, 'x') << " HTTP/1.1\" 200 1\n";
            continue;
        }
        int day = 1 + i * 5 / lines;
        out << "10." << pick(3) << "." << pick(20) << "." << pick(50) << " - - [0" << day << "/Oct/2026:"
            << 10 + pick(10) << ":" << 10 + pick(50) << ":" << 10 + pick(50) << " +0200] \"GET /p" << pick(300)
            << (pick(5) == 0 ? ".gif" : ".html") << (pick(7) == 0 ? "?sid=abc&x=1" : "") << (pick(50) == 0 ? "\xE9" : "")
            << " HTTP/1.1\" " << statuses[pick(7)] << " " << pick(100000) << " \""
            << (pick(3) == 0 ? "-" : "http://ref" + std::to_string(pick(40)) + ".com/?q=a+b") << "\" \""
            << agents[pick(4)] << "\"" << (pick(10) == 0 ? "\r\n" : "\n");
    }
    return out.str();
}

std::string Describe(Analyser& a) {
    const AnalysisTables& t = a.Tables;
    std::ostringstream s;
    s << t.EntryCount << " " << t.LinesRejected << " " << t.LinesFiltered << " " << t.SpiderHits << " "
      << t.TotalMegabytes << " " << t.FirstDateTime << " " << t.LastDateTime << "\n"
      << t.ErrorLogText << "\n";
    StoredEntryReader reader(a);
    for (uint32_t i = 1; i <= t.EntryCount; ++i) {
        const LogEntry e = reader.Read(i);
        s << e.ClientIP << "|" << e.File << "|" << e.Status << "|" << e.Bytes << "|" << e.IsSpider << "|"
          << t.LogEntries[i].NextOfAddress << "\n";
    }
    for (size_t v = 1; v < t.Visitors.size(); ++v) {
        const Visitor& x = t.Visitors[v];
        s << x.IP << " " << x.Requests << " " << x.FirstEntry << " " << x.LastEntry << " " << x.Browser;
        for (const VisitorSession& session : x.Sessions)
            s << " [" << session.EntryTime.Text() << "|" << session.ExitTime.Text() << "|" << session.EntryPage
              << "|" << session.ExitPage << "|" << session.Referrer << "]";
        s << "\n";
    }
    for (size_t f = 1; f < t.Files.size(); ++f)
        s << t.Files[f].File << " " << t.Files[f].TotalRequests << " " << t.Files[f].Gets << "\n";
    for (size_t r = 1; r < t.Referrers.size(); ++r)
        s << t.Referrers[r].Referrer << " " << t.Referrers[r].ToFile << " " << t.Referrers[r].Hits << "\n";
    for (size_t e = 1; e < t.Errors.size(); ++e) s << t.Errors[e].File << " " << t.Errors[e].Hits << "\n";
    for (size_t b = 1; b < t.RawBrowserData.size(); ++b)
        s << t.RawBrowserData[b].Data << " " << t.RawBrowserData[b].Hits << "\n";
    return s.str();
}

std::string Analyse(const std::vector<std::string>& files, bool parallel, bool filtered, int cancelAfter = -1) {
    Analyser a;
    RecordingHost host;
    host.CancelAfterEvents = cancelAfter;
    a.SetHost(&host);
    a.ParallelReading = parallel;
    a.Options.ShowRawLog = true;
    a.Reference.SpiderStrings = {"", "Googlebot"};
    a.Reference.SessionIDPrefixes = {"", "sid="};
    a.Reference.GraphicExtensions = {"", "gif"};
    if (filtered) {
        a.Filters.FileOn = true;
        a.Filters.FileContains = false;
        a.Filters.FileText = "/p1";
    }
    a.ClearAllData();
    for (const std::string& f : files) {
        ++a.Tables.CurrentFileNumber;
        ProcessFile(a, f);
    }
    return Describe(a) + trevix::testing::RawLogText(a.Tables);
}

} // namespace

TEST(LineLoop, BothCoresGiveTheSameTablesAsOne) {
    TempDir dir;
    std::vector<std::string> files = {dir.Write("1.log", MixedLog(1, 40000)), dir.Write("2.log", MixedLog(2, 30000))};
    for (bool filtered : {false, true}) {
        SCOPED_TRACE(filtered ? "with a file filter" : "no filter");
        std::string one = Analyse(files, false, filtered);
        std::string two = Analyse(files, true, filtered);
        EXPECT_GT(one.size(), 1000000u);
        EXPECT_TRUE(one == two) << "the two ways of reading differ";
    }
}

TEST(LineLoop, CancelWhileReadingOnTwoCoresKeepsWhatWasCounted) {
    TempDir dir;
    std::string file = dir.Write("1.log", MixedLog(3, 40000));
    Analyser a;
    RecordingHost host;
    host.CancelAfterEvents = 50;
    a.SetHost(&host);
    a.ClearAllData();
    a.Tables.CurrentFileNumber = 1;
    ProcessFile(a, file);
    EXPECT_TRUE(a.Tables.Cancelled);
    EXPECT_GT(a.Tables.EntryCount, 1000u);
    EXPECT_LT(a.Tables.EntryCount, 39000u);
    // Every counted request belongs to a counted entry.
    long long requests = 0;
    for (size_t v = 1; v < a.Tables.Visitors.size(); ++v) {
        requests += a.Tables.Visitors[v].Requests;
        EXPECT_LE(a.Tables.Visitors[v].LastEntry, a.Tables.EntryCount);
    }
    EXPECT_EQ(requests + a.Tables.SpiderHits, static_cast<long long>(a.Tables.EntryCount));
}

// Each visitor asks for a page and then a file whose extension decides whether it may end the
// visit. Extensions that differ in a byte, in letter case, in length, or only beyond their
// eighth byte, met again and again in turn, each keep their own answer on both ways of reading.
TEST(LineLoop, ExitPagesFollowEachExtension) {
    struct Case {
        const char* file;
        bool exit;
    };
    const Case cases[] = {
        {"/x.gif", false},          {"/x.GIF", false},         {"/x.gifs", true},
        {"/x.gi", true},            {"/x.", true},             {"/x.gif.html", true},
        {"/x.html.gif", false},     {"/x", true},              {"/x.verylongext", false},
        {"/x.verylongexu", true},   {"/x.gifgifgi", true},     {"/x.VeryLongExt", false},
    };
    const size_t n = std::size(cases);
    std::ostringstream log;
    for (int i = 0; log.tellp() < (2 << 20); ++i) {
        const size_t c = static_cast<size_t>(i) % n;
        log << "10.1." << i / 200 << "." << i % 200 << " - - [01/Oct/2026:10:00:00 +0000] \"GET /start.html HTTP/1.1\" 200 1\n"
            << "10.1." << i / 200 << "." << i % 200 << " - - [01/Oct/2026:10:00:01 +0000] \"GET " << cases[c].file
            << " HTTP/1.1\" 200 1\n";
    }
    TempDir dir;
    const std::string path = dir.Write("exit.log", log.str());
    for (bool parallel : {false, true}) {
        SCOPED_TRACE(parallel ? "two threads" : "one thread");
        Analyser a;
        a.ParallelReading = parallel;
        a.Reference.GraphicExtensions = {"", "gif", "verylongext"};
        a.ClearAllData();
        ++a.Tables.CurrentFileNumber;
        ProcessFile(a, path);
        ASSERT_GT(a.Tables.Visitors.size(), 2000u);
        for (size_t v = 1; v < a.Tables.Visitors.size(); ++v) {
            const Visitor& x = a.Tables.Visitors[v];
            const Case& c = cases[(v - 1) % n];
            EXPECT_EQ(x.Sessions[1].ExitPage, c.exit ? c.file : "/start.html") << c.file;
        }
    }
}
