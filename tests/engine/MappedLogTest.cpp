#include "engine/Analyser.h"
#include "engine/read/LogReader.h"
#include "engine/base/MemoryBudget.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <unistd.h>

using namespace trevix;
using trevix::testing::RecordingHost;
using trevix::testing::TempDir;

namespace {

std::string Lines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "10.0.0." + std::to_string(i % 200) + " - - [10/Oct/2000:13:55:36 +0000] \"GET /page" +
                std::to_string(i % 50) + ".html HTTP/1.0\" 200 100 \"-\" \"UA\"\n";
    return text;
}

// Cuts the log file down to a given size on one of its ProcessEvents calls, as log rotation
// by copy and truncate does to a file being read.
class TruncatingHost : public RecordingHost {
public:
    std::string Path;
    off_t CutTo = 0;
    int CutOnEvent = 0;
    void ProcessEvents() override {
        RecordingHost::ProcessEvents();
        if (EventsServed == CutOnEvent) EXPECT_EQ(::truncate(Path.c_str(), CutTo), 0);
    }
};

struct MappedRun {
    Analyser a;
    TempDir dir;
    explicit MappedRun(RunHost& host) {
        a.SetHost(&host);
        a.Options.MergeSessions = false;
        a.ClearAllData();
        a.Tables.CurrentFileNumber = 1;
    }
    bool TellsChanged(const std::string& path) const {
        for (const IncompleteInput& in : a.Tables.IncompleteInputs)
            if (in.Path == path && in.Changed && in.Text.find("changed while it was read") != std::string::npos)
                return true;
        return false;
    }
};

class BudgetVariable {
public:
    explicit BudgetVariable(const char* value) {
        if (value) setenv("TREVIX_MEMORY_BUDGET", value, 1);
        else unsetenv("TREVIX_MEMORY_BUDGET");
    }
    ~BudgetVariable() { unsetenv("TREVIX_MEMORY_BUDGET"); }
};

} // namespace

// The file shrinks under the reader: the run goes on without a crash, keeps the entries read
// from what is left, and says the file changed while it was read. Small files go through the one-thread
// loop, large ones through the reader thread.
TEST(MappedLog, FileTruncatedWhileReadEndsTheFileWithANote) {
    struct Case {
        const char* name;
        int lines;
        double keep;            // share of the file left after the cut
        uint32_t atLeast;       // entries that must survive
    };
    const Case cases[] = {
        {"small file cut to nothing", 5000, 0.0, 0},
        {"small file cut in half", 5000, 0.5, 100},
        {"large file cut to nothing", 20000, 0.0, 0},
        {"large file cut to a quarter", 20000, 0.25, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TruncatingHost host;
        MappedRun r(host);
        const std::string text = Lines(c.lines);
        host.Path = r.dir.Write("access.log", text);
        host.CutTo = static_cast<off_t>(static_cast<double>(text.size()) * c.keep);
        host.CutOnEvent = 3;   // one event after mapping, then every 100 entries
        EXPECT_TRUE(ProcessFile(r.a, host.Path));
        EXPECT_TRUE(r.TellsChanged(host.Path));
        EXPECT_GE(r.a.Tables.EntryCount, c.atLeast);
        EXPECT_LT(r.a.Tables.EntryCount, static_cast<uint32_t>(c.lines));
        EXPECT_NE(r.a.Tables.ErrorLogText.find("changed while it was read"), std::string::npos);
    }
}

// A file left alone is read whole, mapped or not, and says nothing about being cut short.
TEST(MappedLog, UntouchedFilesAreReadWhole) {
    struct Case {
        const char* name;
        int lines;
        bool parallel;
    };
    const Case cases[] = {{"one page", 3, false}, {"one thread", 5000, false}, {"two threads", 20000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        MappedRun r(host);
        r.a.ParallelReading = c.parallel;
        const std::string path = r.dir.Write("access.log", Lines(c.lines));
        EXPECT_TRUE(ProcessFile(r.a, path));
        EXPECT_EQ(r.a.Tables.EntryCount, static_cast<uint32_t>(c.lines));
        EXPECT_TRUE(r.a.Tables.IncompleteInputs.empty());
        EXPECT_EQ(r.a.Tables.Files[1].File, "/page0.html");
    }
}

TEST(MemoryBudget, SizesReadWithBinarySuffixes) {
    struct Case {
        const char* text;
        std::optional<uint64_t> bytes;
    };
    const Case cases[] = {
        {"512", 512},       {"64K", 65536},   {"64k", 65536},     {"3M", 3u << 20},
        {"2G", 2ull << 30}, {"", std::nullopt}, {"K", std::nullopt}, {"12T", std::nullopt},
        {"-5M", std::nullopt}, {"1.5G", std::nullopt}, {"99999999999999999G", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseByteSize(c.text), c.bytes);
    }
}

// A budget too small for the log ends the run with bad_alloc (the front ends' "Not enough
// memory") before the lines are counted; one that fits, or none, changes nothing.
TEST(MemoryBudget, ALogBeyondTheBudgetEndsTheRun) {
    struct Case {
        const char* budget;
        const char* name;
        bool gzip;
        bool fits;
    };
    const Case cases[] = {
        {nullptr, "no budget", false, true},
        {"1G", "plain log within the budget", false, true},
        {"64K", "plain log beyond the budget", false, false},
        {"64K", "gzip log beyond the budget", true, false},
        {"junk", "a budget that is not a size is ignored", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BudgetVariable budget(c.budget);
        RecordingHost host;
        MappedRun r(host);
        const std::string text = Lines(40000);
        std::string path = r.dir.Write("access.log", text);
        if (c.gzip) {
            ASSERT_EQ(std::system(("gzip -1 " + path).c_str()), 0);
            path += ".gz";
        }
        bool threw = false;
        try {
            ProcessFile(r.a, path);
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        EXPECT_EQ(threw, !c.fits);
        EXPECT_EQ(r.a.Tables.EntryCount, c.fits ? 40000u : 0u);
    }
}

// A gzip file's stated size only sizes the buffer: files whose last member states less than
// the whole (several members) are read whole all the same.
TEST(MappedLog, GzipFilesAreReadWholeWhateverTheirStatedSize) {
    struct Case {
        const char* name;
        std::vector<int> members;   // lines per gzip member
    };
    const Case cases[] = {{"one member", {3000}}, {"two members", {3000, 10}}, {"small last member", {10, 3000, 1}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingHost host;
        MappedRun r(host);
        const std::string path = r.dir.File("access.log.gz");
        int total = 0;
        for (size_t m = 0; m < c.members.size(); ++m) {
            const std::string part = r.dir.Write("part.log", Lines(c.members[m]));
            ASSERT_EQ(std::system(("gzip -c " + part + " >> " + path).c_str()), 0);
            total += c.members[m];
        }
        EXPECT_TRUE(ProcessFile(r.a, path));
        EXPECT_EQ(r.a.Tables.EntryCount, static_cast<uint32_t>(total));
        EXPECT_TRUE(r.a.Tables.IncompleteInputs.empty());
    }
}
