// A run after a run: files unchanged since the previous run are not read again, and what the
// report says is exactly what reading them again would have said.
#include "engine/Analyser.h"
#include "engine/parse/FilterValues.h"
#include "engine/run/AnalysisRun.h"
#include "support/GzipText.h"
#include "support/RawLogText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace trevix {
namespace {

using testing::RecordingHost;
using testing::TempDir;

// Over a megabyte (either line loop reads it): statuses, referrers, spiders and people.
std::string Lines(int count, int seed) {
    static const char* const agents[] = {"Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0",
                                         "Mozilla/5.0 (compatible; Googlebot/2.1; +http://www.google.com/bot.html)",
                                         "Mozilla/5.0 (Windows NT 10.0) Chrome/119.0", "curl/8.0"};
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int n = i * 7 + seed;
        const int status = n % 11 == 0 ? 404 : n % 13 == 0 ? 301 : 200;
        text += "10." + std::to_string(n % 3) + "." + std::to_string(n % 89) + "." + std::to_string(n % 13) +
                " - - [" + std::to_string(10 + n % 9) + "/Oct/2026:1" + std::to_string(n % 10) + ":0" +
                std::to_string(n % 6) + ":" + std::to_string(10 + n % 50) + " +0000] \"GET /p" +
                std::to_string(n % 41) + ".html HTTP/1.1\" " + std::to_string(status) + " " +
                std::to_string(100 + n % 900) + " \"http://r" + std::to_string(n % 23) +
                ".example/from?q=word" + std::to_string(n % 7) + "\" \"" + agents[n % 4] + "\"\n";
    }
    return text;
}

std::string GzipBytes(const std::string& text, int level = 6) { return testing::GzipBytes(text, level); }

std::string ReadAll(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

enum class Filter { None, Status404, NotGooglebot, Spiders };

void SetFilter(Analyser& a, Filter f) {
    a.Filters = {};
    std::string error;
    if (f == Filter::Status404) {
        a.Filters.StatusOn = true;
        a.Filters.Status = *ParseStatusFilter("404", error);
    } else if (f == Filter::NotGooglebot) {
        a.Filters.AgentOn = true;
        a.Filters.AgentContains = false;
        a.Filters.AgentText = "Googlebot";
    } else if (f == Filter::Spiders) {
        a.Filters.Only = OnlyRequests::Spiders;
    }
}

// Everything a run shows or saves: every list's cells, the summary, the raw log, the
// processing log and the inputs it calls incomplete.
struct Report {
    std::vector<std::vector<std::string>> Cells;
    std::string Summary, RawLog, ProcessingLog, Incomplete;
    bool operator==(const Report&) const = default;
};

Report ReportOf(Analyser& a) {
    Report r;
    for (int n = lstHits; n <= lstSearchEngines; ++n)
        for (const ListRow& row : a.Lists[n].Rows) r.Cells.push_back(row.Cells.Strings());
    r.Summary = a.Lists.Summary;
    r.RawLog = testing::RawLogText(a.Tables);
    r.ProcessingLog = a.Tables.ErrorLogText;
    for (const IncompleteInput& input : a.Tables.IncompleteInputs)
        r.Incomplete += input.Text + (input.Changed ? " (changed)\n" : "\n");
    return r;
}

// One analyser kept between runs, as the window keeps its one.
struct Session {
    RecordingHost Host;
    Analyser A;
    explicit Session(bool twoThreads = true) {
        A.SetHost(&Host);
        A.LocalTimeBias = {};
        A.ParallelReading = twoThreads;
        A.Options.ShowRawLog = true;
    }
    RunResult Run(const std::vector<std::string>& files, Filter f) {
        SetFilter(A, f);
        RunRequest request;
        request.Files = files;
        return AnalyseLogFiles(A, request);
    }
};

// What a run from scratch shows for the files as they are now.
Report Fresh(const std::vector<std::string>& files, Filter f, bool twoThreads = true) {
    Session s(twoThreads);
    EXPECT_EQ(s.Run(files, f).FilesReused, 0);
    return ReportOf(s.A);
}

TEST(KeptTexts, AFilterChangeReadsNoFileAgainAndShowsWhatAFullReadShows) {
    struct Case {
        const char* Name;
        bool Gzip;
        bool TwoThreads;
        std::vector<Filter> Runs;   // the filters of the runs after the first, unfiltered one
    };
    const Case cases[] = {
        {"plain, status 404, then none", false, true, {Filter::Status404, Filter::None}},
        {"plain, agent without Googlebot, one thread", false, false, {Filter::NotGooglebot, Filter::Spiders}},
        {"gzip, status 404, then agent", true, true, {Filter::Status404, Filter::NotGooglebot}},
        {"gzip, spiders only, one thread", true, false, {Filter::Spiders}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string a = c.Gzip ? dir.Write("a.log.gz", GzipBytes(Lines(9000, 1))) : dir.Write("a.log", Lines(9000, 1));
        const std::string b = dir.Write("b.log", Lines(700, 5));
        const std::vector<std::string> files{a, b};
        Session s(c.TwoThreads);
        EXPECT_EQ(s.Run(files, Filter::None).FilesReused, 0);
        ASSERT_EQ(ReportOf(s.A), Fresh(files, Filter::None, c.TwoThreads));
        for (Filter f : c.Runs) {
            const RunResult again = s.Run(files, f);
            EXPECT_EQ(again.FilesReused, 2);
            EXPECT_EQ(again.FilesLoaded, 2);
            EXPECT_TRUE(s.A.Tables.KeptTexts.empty());
            const Report shown = ReportOf(s.A);
            EXPECT_FALSE(shown.Cells.empty());
            EXPECT_EQ(shown, Fresh(files, f, c.TwoThreads)) << "filter " << static_cast<int>(f);
        }
        // A file no longer listed is let go with the run, not kept for later.
        EXPECT_EQ(s.Run({b}, Filter::None).FilesReused, 1);
        EXPECT_EQ(s.A.Tables.FileTexts.size(), 1u);
        EXPECT_EQ(ReportOf(s.A), Fresh({b}, Filter::None, c.TwoThreads));
        // A report load (or a failure) empties the tables with no run to follow: nothing is kept.
        s.A.ClearAllData();
        EXPECT_TRUE(s.A.Tables.FileTexts.empty());
        EXPECT_TRUE(s.A.Tables.KeptTexts.empty());
        EXPECT_EQ(s.Run({b}, Filter::None).FilesReused, 0);
    }
}

// Sets a file's modification time to another second, as touch does.
void SetModified(const std::string& path, time_t seconds) {
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

void Overwrite(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

// The same bytes but other pages: "GET /p" becomes "GET /q".
std::string OtherPages(std::string bytes) {
    for (size_t at = bytes.find("GET /p"); at != std::string::npos; at = bytes.find("GET /p", at)) bytes[at + 5] = 'q';
    return bytes;
}

TEST(KeptTexts, AFileChangedSinceIsReadAgain) {
    struct Case {
        const char* Name;
        bool Gzip;
        std::function<void(const std::string& path, TempDir& dir)> Change;
        int Level = 6;
    };
    const Case cases[] = {
        {"rewritten in place, the same size", false,
         [](const std::string& path, TempDir&) { Overwrite(path, OtherPages(ReadAll(path))); }},
        {"rewritten in place, the same size and modification time", false,
         [](const std::string& path, TempDir&) {
             struct stat st {};
             ASSERT_EQ(::stat(path.c_str(), &st), 0);
             Overwrite(path, OtherPages(ReadAll(path)));
             const timespec times[2] = {st.st_atim, st.st_mtim};
             ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         }},
        {"appended to", false,
         [](const std::string& path, TempDir&) { std::ofstream(path, std::ios::app) << Lines(50, 3); }},
        {"touched, the same text", false, [](const std::string& path, TempDir&) { SetModified(path, 1800000000); }},
        {"replaced by a copy (another inode)", false,
         [](const std::string& path, TempDir& dir) {
             const std::string copy = dir.Write("copy", ReadAll(path));
             ASSERT_EQ(std::rename(copy.c_str(), path.c_str()), 0);
         }},
        {"gzip replaced by another", true,
         [](const std::string& path, TempDir& dir) {
             const std::string other = dir.Write("other", GzipBytes(OtherPages(Lines(9000, 1))));
             ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
         }},
        {"gzip touched", true, [](const std::string& path, TempDir&) { SetModified(path, 1800000000); }},
        {"gzip rewritten in place, the same size and modification time", true,
         [](const std::string& path, TempDir&) {
             struct stat st {};
             ASSERT_EQ(::stat(path.c_str(), &st), 0);
             // Another text of the same length, stored: a gzip file of the same size.
             const std::string packed = GzipBytes(OtherPages(Lines(9000, 1)), 0);
             ASSERT_EQ(packed.size(), static_cast<size_t>(st.st_size));
             Overwrite(path, packed);
             const timespec times[2] = {st.st_atim, st.st_mtim};
             ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string a =
            c.Gzip ? dir.Write("a.log.gz", GzipBytes(Lines(9000, 1), c.Level)) : dir.Write("a.log", Lines(9000, 1));
        const std::string b = dir.Write("b.log", Lines(700, 5));
        Session s;
        s.Run({a, b}, Filter::None);
        c.Change(a, dir);
        const RunResult again = s.Run({a, b}, Filter::Status404);
        EXPECT_EQ(again.FilesReused, 1);   // b only
        EXPECT_EQ(ReportOf(s.A), Fresh({a, b}, Filter::Status404));
        // What was read again is kept in its turn.
        EXPECT_EQ(s.Run({a, b}, Filter::None).FilesReused, 2);
        EXPECT_EQ(ReportOf(s.A), Fresh({a, b}, Filter::None));
    }
}

// A text whose reading told the user something is read again, so the next run tells it again.
TEST(KeptTexts, ATextWhoseReadingToldSomethingIsReadAgain) {
    struct Case {
        const char* Name;
        std::string Bytes;
        const char* Told;
    };
    const std::string packed = GzipBytes(Lines(9000, 1));
    const Case cases[] = {
        {"inflating a thousandfold", GzipBytes(Lines(1, 1) + std::string(32 << 20, ' ') + "\n" + Lines(1, 2)),
         "possible decompression bomb"},
        {"damaged", packed.substr(0, packed.size() / 2), "Damaged compressed file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string a = dir.Write("a.log.gz", c.Bytes);
        Session s;
        s.Run({a}, Filter::None);
        EXPECT_EQ(s.Run({a}, Filter::Status404).FilesReused, 0);
        const Report shown = ReportOf(s.A);
        EXPECT_NE(shown.ProcessingLog.find(c.Told), std::string::npos) << shown.ProcessingLog;
        EXPECT_EQ(shown, Fresh({a}, Filter::Status404));
    }
}

// Truncates a file at the third event of the run once armed: part of its kept text is gone.
class TruncatingHost : public RecordingHost {
public:
    std::string Path;
    bool Armed = false;
    void ProcessEvents() override {
        RecordingHost::ProcessEvents();
        if (Armed && ++events_ == 3) EXPECT_EQ(::truncate(Path.c_str(), 0), 0);
    }

private:
    int events_ = 0;
};

// A kept mapped text is watched as a freshly read one: truncated while the run reads it, the
// run says so in the same words, and the text is not taken again.
TEST(KeptTexts, AKeptTextTruncatedWhileReadIsToldAsWhenReadFresh) {
    auto incomplete = [](const Analyser& a) {
        std::string told;
        for (const IncompleteInput& input : a.Tables.IncompleteInputs)
            told += input.Text.substr(input.Text.rfind('/') + 1) + (input.Changed ? " (changed)\n" : "\n");
        return told;
    };
    for (bool twoThreads : {false, true}) {
        SCOPED_TRACE(twoThreads ? "two threads" : "one thread");
        std::string told[2];
        for (bool kept : {false, true}) {
            TempDir dir;
            TruncatingHost host;
            host.Path = dir.Write("a.log", Lines(9000, 1));
            Analyser a;
            a.SetHost(&host);
            a.ParallelReading = twoThreads;
            RunRequest request;
            request.Files = {host.Path};
            if (kept) AnalyseLogFiles(a, request);
            host.Armed = true;
            EXPECT_EQ(AnalyseLogFiles(a, request).FilesReused, kept ? 1 : 0);
            told[kept] = incomplete(a);
            EXPECT_EQ(told[kept].rfind("a.log: changed while it was read", 0), 0u) << told[kept];
            EXPECT_NE(told[kept].find("(changed)"), std::string::npos) << told[kept];
            host.Armed = false;
            EXPECT_EQ(AnalyseLogFiles(a, request).FilesReused, 0);
        }
        EXPECT_EQ(told[1], told[0]);
    }
}

} // namespace
} // namespace trevix
