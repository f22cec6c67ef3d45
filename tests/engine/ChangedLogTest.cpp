// A log rotated by copy and truncate, or rewritten, while a run uses it: what the run counted
// before the change stays as it was, and a change that may have reached the report is told.
#include "engine/run/AnalysisRun.h"
#include "engine/Analyser.h"
#include "engine/read/LogReader.h"
#include "engine/analysis/VisitorPass.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace trevix {
namespace {

using testing::RecordingHost;
using testing::TempDir;

// Visitors, pages, referrers and errors enough to fill every table; b.log shares addresses
// with a.log, so its lines are counted against keys a.log made.
std::string Lines(int count, int seed) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const int n = i * 7 + seed;
        text += "10." + std::to_string(n % 3) + "." + std::to_string(n % 97) + "." + std::to_string(n % 13) +
                " - - [" + std::to_string(10 + n % 9) + "/Oct/2026:1" + std::to_string(n % 10) + ":0" +
                std::to_string(n % 6) + ":00 +0000] \"GET /p" + std::to_string(n % 41) + ".html HTTP/1.1\" " +
                (n % 17 == 0 ? "404" : "200") + " " + std::to_string(100 + n % 900) + " \"http://r" +
                std::to_string(n % 23) + ".example/from\" \"Agent/" + std::to_string(n % 5) + "\"\n";
    }
    return text;
}

enum class Change { None, TruncatedWhileRead, TruncatedAfterRead, RewrittenBeforeConversions };

// Changes a.log at one moment of the run, from the calls the run makes anyway.
class ChangingHost : public RecordingHost {
public:
    std::string Path;
    Change When = Change::None;

    void SetStatus(std::string_view text) override {
        RecordingHost::SetStatus(text);
        if (text.starts_with("Loading ")) readingA_ = text.starts_with("Loading a.log");
        if (When == Change::TruncatedAfterRead && text.starts_with("Loading b.log")) Truncate();
        if (When == Change::RewrittenBeforeConversions && text.starts_with("Generating Conversion Report")) Rewrite();
    }
    void ProcessEvents() override {
        RecordingHost::ProcessEvents();
        // A few hundred lines into a.log: the rest of it is still to be read.
        if (When == Change::TruncatedWhileRead && readingA_ && ++eventsInA_ == 3) Truncate();
    }

private:
    void Truncate() { EXPECT_EQ(::truncate(Path.c_str(), 0), 0); }
    // The same size, other pages: as a log rewritten in place.
    void Rewrite() {
        std::stringstream text;
        text << std::ifstream(Path, std::ios::binary).rdbuf();
        std::string bytes = text.str();
        for (size_t at = bytes.find("GET /p"); at != std::string::npos; at = bytes.find("GET /p", at))
            bytes[at + 5] = 'q';
        const int fd = ::open(Path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }
    bool readingA_ = false;
    int eventsInA_ = 0;
};

struct Outcome {
    std::vector<std::vector<std::vector<std::string>>> Lists;   // every list's cells
    std::string Summary;
    std::vector<IncompleteInput> Incomplete;
    int AutoReports = 0;
};

Outcome RunOnce(Change when, bool twoThreads, bool conversions) {
    TempDir dir;
    ChangingHost host;
    host.When = when;
    host.Path = dir.Write("a.log", Lines(9000, 1));   // over a megabyte: either loop may read it
    const std::string b = dir.Write("b.log", Lines(600, 5));
    Analyser a;
    a.SetHost(&host);
    a.ParallelReading = twoThreads;
    a.Options.AutoReport = true;
    RunRequest request;
    request.Files = {host.Path, b};
    if (conversions) request.AutoConversionReports = {"/p3.html"};
    Outcome out;
    request.WriteAutoReport = [&out](Analyser&) { ++out.AutoReports; };
    AnalyseLogFiles(a, request);
    for (int n = lstHits; n <= lstSearchEngines; ++n) {
        std::vector<std::vector<std::string>> cells;
        for (const ListRow& row : a.Lists[n].Rows) cells.push_back(row.Cells.Strings());
        out.Lists.push_back(std::move(cells));
    }
    out.Summary = a.Lists.Summary;
    out.Incomplete = a.Tables.IncompleteInputs;
    for (IncompleteInput& input : out.Incomplete) input.Path = input.Path.substr(input.Path.rfind('/') + 1);
    return out;
}

TEST(ChangedLog, ReportIsRightOrTheChangeIsTold) {
    struct Case {
        const char* Name;
        Change When;
        bool Conversions;
        bool Told;   // "changed while it was read", and no automatic report
    };
    const Case cases[] = {
        {"truncated after it was read", Change::TruncatedAfterRead, false, false},
        {"truncated while it was read", Change::TruncatedWhileRead, false, true},
        {"rewritten before its lines are read again", Change::RewrittenBeforeConversions, true, true},
        {"left alone, lines read again", Change::None, true, false},
    };
    for (bool twoThreads : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + (twoThreads ? ", two threads" : ", one thread"));
            const Outcome clean = RunOnce(Change::None, twoThreads, c.Conversions);
            ASSERT_TRUE(clean.Incomplete.empty());
            ASSERT_FALSE(clean.Lists[lstIPs - 1].empty());
            const Outcome changed = RunOnce(c.When, twoThreads, c.Conversions);
            if (!c.Told) {
                EXPECT_TRUE(changed.Incomplete.empty());
                EXPECT_EQ(changed.AutoReports, 1);
                EXPECT_EQ(changed.Summary, clean.Summary);
                for (int n = lstHits; n <= lstSearchEngines; ++n)
                    EXPECT_EQ(changed.Lists[n - 1], clean.Lists[n - 1]) << "list " << n;
                continue;
            }
            ASSERT_EQ(changed.Incomplete.size(), 1u);
            EXPECT_TRUE(changed.Incomplete[0].Changed);
            EXPECT_EQ(changed.Incomplete[0].Path, "a.log");
            EXPECT_NE(changed.Incomplete[0].Text.find("changed while it was read"), std::string::npos);
            EXPECT_EQ(changed.AutoReports, 0);
            EXPECT_FALSE(changed.Summary.empty());
        }
    }
}

// The visitor report of a run whose log was truncated afterwards reads none of its lines:
// it shows what the other files hold and says the file changed.
TEST(ChangedLog, VisitorReportSkipsLinesOfAChangedFile) {
    TempDir dir;
    RecordingHost host;
    Analyser a;
    a.SetHost(&host);
    RunRequest request;
    const std::string path = dir.Write("a.log", Lines(300, 1));
    request.Files = {path, dir.Write("b.log", Lines(300, 1))};
    AnalyseLogFiles(a, request);
    const std::string ip(a.Lists[lstIPs].Rows.at(0).Cells.at(0));
    const size_t both = BuildVisitorReport(a, {ip}).Summary.empty() ? 0 : a.Lists.Pages.RowCount();
    ASSERT_GT(both, 0u);
    ASSERT_TRUE(a.Tables.IncompleteInputs.empty());

    ASSERT_EQ(::truncate(path.c_str(), 0), 0);
    BuildVisitorReport(a, {ip});
    EXPECT_EQ(a.Lists.Pages.RowCount() * 2, both);
    ASSERT_EQ(a.Tables.IncompleteInputs.size(), 1u);
    EXPECT_EQ(a.Tables.IncompleteInputs[0].Path, path);
    EXPECT_TRUE(a.Tables.IncompleteInputs[0].Changed);
}

} // namespace
} // namespace trevix
