// What the counting keeps of a log never points into it, so a log's pages can go while it is
// still being counted and what the tables hold reads the same.
#include "engine/Analyser.h"
#include "engine/parse/TimeStamps.h"
#include "engine/read/LogReader.h"
#include "support/PresentPages.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <string>
#include <unistd.h>

namespace trevix {
namespace {

using testing::RecordingHost;
using testing::PresentPages;
using testing::TempDir;

TEST(CountedTexts, KeptStampsReadAsTheirTexts) {
    struct Case {
        const char* Date;
        const char* Time;
    };
    const Case cases[] = {
        {"01/Jan/2026", "00:00:00"}, {"31/Dec/2025", "23:59:59"}, {"29/Feb/2024", "12:07:45"},
        {"03/Mai/2026", "09:30:01"},   // a month name the log may spell its own way
        {"03/May/2026", "09:30:01"},   // the same moment, another text
        {"01/Jan/2026", "10:00:00"},   // a date kept before
        {"1/Jan/2026", "10:00:00"},    // a form that is no moment: left as it is
        {"", ""},
    };
    TextArena kept;
    StampTexts stamps(kept);
    std::string_view firstJan;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Date) + " " + c.Time);
        // Texts of their own, as a log line's would be.
        const std::string date = c.Date, time = c.Time;
        const StampRef s{date, time, StampRef::OrderOf(date, time)};
        const StampRef k = stamps.Keep(s);
        EXPECT_EQ(k.Date, date);
        EXPECT_EQ(k.Time, time);
        EXPECT_EQ(k.Order, s.Order);
        if (s.Order == 0) {
            EXPECT_EQ(k.Date.data(), s.Date.data());
            continue;
        }
        EXPECT_NE(k.Date.data(), date.data());
        EXPECT_NE(k.Time.data(), time.data());
        if (date == "01/Jan/2026") {
            if (firstJan.empty()) firstJan = k.Date;
            EXPECT_EQ(k.Date.data(), firstJan.data()) << "one copy per date";
        }
    }
}

TEST(CountedTexts, PagesBeforeACountedLineGoAndReadAgain) {
    TempDir dir;
    const size_t size = (size_t{9} << 20) + 123;
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    const std::string path = dir.Write("log", bytes);
    const int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    FileText text;
    ASSERT_TRUE(text.Map(fd, size));
    const char* p = text.View().data();
    // Wait for the pages read ahead, so the release is what takes them.
    (void)std::string(text.View());
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t cut = (size_t{5} << 20) + 100;
    text.ReleasePagesBefore(p + cut);
    text.ReleasePagesBefore(nullptr);   // not in the text: nothing
    if (auto before = PresentPages(p, cut / page * page)) EXPECT_EQ(*before, 0u);
    if (auto after = PresentPages(p + cut, size - cut)) EXPECT_GT(*after, 0u);
    EXPECT_EQ(text.View(), bytes);
    EXPECT_TRUE(text.Unchanged());
}

// A combined line; over a megabyte of them takes the two-thread loop.
std::string Line(int n, const char* month) {
    const int status = n % 11 == 0 ? 404 : 200;
    return "10.1." + std::to_string(n % 97) + "." + std::to_string(n % 7) + " - - [" +
           std::to_string(10 + n % 9) + "/" + month + "/2026:1" + std::to_string(n % 10) + ":0" +
           std::to_string(n % 6) + ":" + std::to_string(10 + n % 50) + " +0000] \"GET /p" + std::to_string(n % 31) +
           ".html HTTP/1.1\" " + std::to_string(status) + " 100 \"" +
           (n % 3 ? "http://r" + std::to_string(n % 17) + ".example/" : std::string("-")) + "\" \"Mozilla/5.0 (X11) Agent/" +
           std::to_string(n % 5) + "\"\n";
}

TEST(CountedTexts, NothingKeptPointsIntoTheLogs) {
    struct Case {
        const char* Name;
        int Lines;
        bool TwoThreads;
    };
    const Case cases[] = {{"small files, one thread", 200, false}, {"large files, two threads", 9000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        std::string first, second;
        for (int i = 0; i < c.Lines; ++i) first += Line(i, "Oct");
        for (int i = 0; i < c.Lines; ++i) second += Line(i * 3 + 1, i % 2 ? "Mai" : "Nov");
        Analyser a;
        RecordingHost host;
        a.SetHost(&host);
        a.ParallelReading = c.TwoThreads;
        a.ClearAllData();
        for (const std::string& text : {first, second}) {
            ++a.Tables.CurrentFileNumber;
            ProcessFile(a, dir.Write("access" + std::to_string(a.Tables.CurrentFileNumber) + ".log", text));
        }
        const AnalysisTables& t = a.Tables;
        ASSERT_EQ(t.FileTexts.size(), 2u);
        ASSERT_EQ(t.EntryCount, 2u * c.Lines);
        auto inLog = [&](std::string_view s) {
            for (const auto& text : t.FileTexts)
                if (!s.empty() && text->Holds(s.data())) return true;
            return false;
        };
        auto stampInLog = [&](const StampRef& s) { return inLog(s.Date) || inLog(s.Time); };
        size_t sessions = 0, referrers = 0;
        for (uint32_t v = 1; v <= t.VisitorCount(); ++v) {
            const Visitor& vis = t.Visitors[v];
            EXPECT_FALSE(inLog(vis.IP) || inLog(vis.FirstDate)) << v;
            for (size_t f = 1; f < vis.Sessions.size(); ++f) {
                const VisitorSession& s = vis.Sessions[f];
                if (s.EntryTime.empty()) continue;
                ++sessions;
                referrers += s.Referrer != "-";
                EXPECT_FALSE(stampInLog(s.EntryTime) || stampInLog(s.ExitTime)) << v;
                EXPECT_FALSE(inLog(s.Referrer) || inLog(s.EntryPage) || inLog(s.ExitPage)) << v;
                EXPECT_FALSE(StampEarlier(s.ExitTime, s.EntryTime));
                EXPECT_EQ(s.EntryTime.Date.size(), 11u);
            }
        }
        EXPECT_GT(sessions, t.VisitorCount());
        EXPECT_GT(referrers, 0u);
        ASSERT_GT(t.ErrorCount(), 0u);
        for (uint32_t r = 1; r <= t.ErrorCount(); ++r) {
            const ErrorRecord& e = t.Errors[r];
            for (const StampRef& s : e.TimeFirst) EXPECT_FALSE(stampInLog(s));
            for (const StampRef& s : e.TimeLast) EXPECT_FALSE(stampInLog(s));
        }
        EXPECT_FALSE(stampInLog(t.AcceptedFirst) || stampInLog(t.AcceptedLast));
        EXPECT_EQ(t.AcceptedFirst.Text(), "11/Mai/2026 10:04:10");
        EXPECT_EQ(t.AcceptedLast.Text(), "17/Nov/2026 19:01:59");
    }
}

} // namespace
} // namespace trevix
