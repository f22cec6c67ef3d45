#include "engine/AtomicFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>

namespace trevix {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

mode_t ModeOf(const std::string& path) {
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

size_t EntriesIn(const fs::path& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(folder)) ++n;
    return n;
}

// Each case starts from a folder that may hold "old" in the target, then writes "new".
struct AtomicCase {
    const char* Name;
    bool TargetExists;
    bool TargetIsFolder;
    mode_t Mode;        // 0: the default
    bool Commit;        // false: the writer is dropped before committing
    const char* Target; // relative to the folder
    bool ExpectOk;
    const char* ExpectError; // part of the error text
    const char* ExpectContent; // nullptr: the target does not exist as a file afterwards
    mode_t ExpectMode;
};

const AtomicCase kCases[] = {
    {"new file", false, false, 0, true, "r.xml", true, "", "new", 0644},
    {"replaces old", true, false, 0, true, "r.xml", true, "", "new", 0644},
    {"owner only", false, false, 0600, true, "r.xml", true, "", "new", 0600},
    {"abandoned keeps old", true, false, 0, false, "r.xml", true, "", "old", 0644},
    {"abandoned new", false, false, 0, false, "r.xml", true, "", nullptr, 0},
    {"target is a folder", false, true, 0, true, "r.xml", false, "Is a directory", nullptr, 0},
    {"missing folder", false, false, 0, true, "no/such/r.xml", false, "No such file or directory", nullptr, 0},
};

TEST(AtomicFileTest, ReplacesOnlyOnCommit) {
    for (const AtomicCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string target = dir.File(c.Target);
        if (c.TargetExists) {
            dir.Write(c.Target, "old");
            ::chmod(target.c_str(), 0644);
        }
        if (c.TargetIsFolder) fs::create_directory(target);
        std::string error;
        bool ok = true;
        {
            AtomicFile file(target);
            if (c.Mode != 0) file.SetMode(c.Mode);
            ok = file.Open(error) && file.Write("ne", error) && file.Write("w", error);
            if (ok && c.Commit) ok = file.Commit(error);
        }
        EXPECT_EQ(ok, c.ExpectOk) << error;
        EXPECT_NE(error.find(c.ExpectError), std::string::npos) << error;
        if (c.ExpectContent) {
            EXPECT_EQ(ReadAll(target), c.ExpectContent);
            EXPECT_EQ(ModeOf(target), c.ExpectMode);
        } else {
            EXPECT_FALSE(fs::is_regular_file(target));
        }
        // No temporary file is ever left behind.
        const size_t expected = (c.TargetExists || c.TargetIsFolder || (c.ExpectContent && c.ExpectOk)) ? 1 : 0;
        EXPECT_EQ(EntriesIn(dir.Path()), expected);
    }
}

// A write that fails half-way (the file-size limit stands in for a full disk) leaves the old
// file byte for byte and no temporary file.
TEST(AtomicFileTest, FailedWriteKeepsTheOldFile) {
    TempDir dir;
    const std::string target = dir.Write("r.xml", "previous report");
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string error;
    const bool ok = WriteFileAtomically(target, std::string(10000, 'x'), error);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "Error 27: File too large");
    EXPECT_EQ(ReadAll(target), "previous report");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

} // namespace
} // namespace trevix
