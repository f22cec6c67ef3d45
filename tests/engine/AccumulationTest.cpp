#include "engine/Analyser.h"
#include "engine/parse/TimeStamps.h"
#include "engine/read/LogReader.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace trevix;
using trevix::testing::RecordingHost;
using trevix::testing::TempDir;

// Stamps that carry their order compare exactly as their texts do, odd forms included: the
// order is only given to a stamp whose text reads as a real moment.
TEST(Accumulation, StampOrderComparesAsTheTexts) {
    struct Case {
        const char* date;
        const char* time;
        bool ordered;
    };
    const Case cases[] = {
        {"31/Dec/2025", "23:59:59", true},  {"01/Jan/2026", "00:00:00", true},  {"01/Jan/2026", "00:00:01", true},
        {"01/Jan/2026", "09:59:59", true},  {"01/Jan/2026", "10:00:00", true},  {"02/Jan/2026", "00:00:00", true},
        {"09/Feb/2026", "12:00:00", true},  {"10/Jan/2026", "12:00:00", true},  {"29/Feb/2024", "08:00:00", true},
        {"01/Mar/2024", "08:00:00", true},  {"15/Mai/2026", "12:00:00", true},  {"15/May/2026", "12:00:00", true},
        {"14/Jun/2026", "23:00:00", true},  {"01/Jan/9999", "00:00:00", true},
        // No real moment, or another form: compared as before, by text or not at all.
        {"29/Feb/2026", "08:00:00", false}, {"31/Apr/2026", "08:00:00", false}, {"01/Jan/2026", "24:00:00", false},
        {"01/Jan/2026", "12:60:00", false}, {"01/Jan/2026", "12:00:60", false}, {"01/Jan/2026", "9:00:00", false},
        {"01/Xyz/2026", "12:00:00", false}, {"1/Jan/2026", "12:00:00", false},  {"01/Jan/0000", "12:00:00", false},
        {"01-Jan-2026", "12:00:00", false}, {"01/Jan/2026", "", false},         {"", "", false},
    };
    for (const Case& x : cases) {
        SCOPED_TRACE(std::string(x.date) + " " + x.time);
        EXPECT_EQ(StampRef::OrderOf(x.date, x.time) != 0, x.ordered);
    }
    for (const Case& x : cases) {
        for (const Case& y : cases) {
            const StampRef a{x.date, x.time}, b{y.date, y.time};
            const StampRef ka{x.date, x.time, StampRef::OrderOf(x.date, x.time)};
            const StampRef kb{y.date, y.time, StampRef::OrderOf(y.date, y.time)};
            EXPECT_EQ(StampEarlier(ka, kb), StampEarlier(a, b)) << a.Text() << " against " << b.Text();
        }
    }
}

namespace {

std::string Line(const char* ip, const char* stamp, const char* file, int status, const char* referrer,
                 const char* agent) {
    std::ostringstream s;
    s << ip << " - - [" << stamp << " +0000] \"GET " << file << " HTTP/1.1\" " << status << " 100 \"" << referrer
      << "\" \"" << agent << "\"\n";
    return s.str();
}

} // namespace

// What the counting keeps from its shortcuts: a user agent's tokens counted for every new
// visitor that sends it, an address's spider requests at the head of its visitor's chain, a
// spider's referrer counted with its file's text, sessions spanning a year's turn out of order.
TEST(Accumulation, RepeatedKeysCountAsNew) {
    const char* firefox = "Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0";
    const char* twice = "Mozilla/5.0 (X11; X11)";
    const char* bot = "Googlebot/2.1";
    std::string log;
    log += Line("10.0.0.9", "31/Dec/2025:23:00:00", "/a.html", 200, "http://r.example/", bot);      // 1
    log += Line("10.0.0.1", "01/Jan/2026:00:00:01", "/b.html", 200, "-", firefox);                  // 2
    log += Line("10.0.0.1", "31/Dec/2025:23:59:59", "/a.html", 404, "-", firefox);                  // 3
    log += Line("10.0.0.9", "31/Dec/2025:23:10:00", "/b.html", 200, "-", bot);                      // 4
    log += Line("10.0.0.2", "01/Jan/2026:00:10:00", "/a.html", 200, "http://r.example/", firefox);  // 5
    log += Line("10.0.0.9", "01/Jan/2026:00:20:00", "/c.html", 200, "-", twice);                    // 6
    log += Line("10.0.0.9", "01/Jan/2026:00:30:00", "/a.html", 200, "http://r.example/", bot);      // 7
    log += Line("10.0.0.1", "01/Jan/2026:00:00:00", "/a.html", 404, "-", firefox);                  // 8
    TempDir dir;
    const std::string path = dir.Write("access.log", log);

    Analyser a;
    RecordingHost host;
    a.SetHost(&host);
    a.Reference.SpiderStrings = {"", "Googlebot"};
    a.ClearAllData();
    ++a.Tables.CurrentFileNumber;
    ProcessFile(a, path);
    const AnalysisTables& t = a.Tables;
    ASSERT_EQ(t.EntryCount, 8u);
    EXPECT_EQ(t.SpiderHits, 3);

    std::ostringstream tokens;
    for (size_t r = 1; r < t.RawBrowserData.size(); ++r)
        tokens << t.RawBrowserData[r].Data << "=" << t.RawBrowserData[r].Hits << ";";
    EXPECT_EQ(tokens.str(), "Mozilla/5.0=3;X11=4;Linux x86_64=2;Firefox/120.0=2;");

    ASSERT_EQ(t.VisitorCount(), 3u);
    EXPECT_EQ(t.Visitors[3].IP, "10.0.0.9");
    EXPECT_EQ(t.Visitors[3].FirstEntry, 6u);
    EXPECT_EQ(t.EntriesOfAddress(3), (std::vector<uint32_t>{1, 4, 6, 7}));
    EXPECT_EQ(t.EntriesOfAddress(1), (std::vector<uint32_t>{2, 3, 8}));

    const VisitorSession& s = t.Visitors[1].Sessions[1];
    EXPECT_EQ(s.EntryTime.Text(), "31/Dec/2025 23:59:59");
    EXPECT_EQ(s.ExitTime.Text(), "01/Jan/2026 00:00:01");
    EXPECT_EQ(s.EntryPage, "/b.html");
    EXPECT_EQ(t.AcceptedFirst.Text(), "31/Dec/2025 23:00:00");
    EXPECT_EQ(t.AcceptedLast.Text(), "01/Jan/2026 00:30:00");

    // The spider's request of /a.html (line 1) comes before the file is counted at all.
    ASSERT_EQ(t.ReferrerCount(), 1u);
    EXPECT_EQ(t.Referrers[1].Referrer, "http://r.example/");
    EXPECT_EQ(t.Referrers[1].ToFile, "/a.html");
    EXPECT_EQ(t.Referrers[1].Hits, 3);
    ASSERT_EQ(t.FileCount(), 3u);
    EXPECT_EQ(t.Files[1].File, "/b.html");
    EXPECT_EQ(t.Files[2].File, "/a.html");
    EXPECT_EQ(t.Files[2].TotalRequests, 3);
    ASSERT_EQ(t.ErrorCount(), 1u);
    EXPECT_EQ(t.Errors[1].Hits, 2);
    EXPECT_EQ(t.Errors[1].TimeFirst[1].Text(), "31/Dec/2025 23:59:59");
}
