#include "engine/base/AtomicFile.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

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

// A replaced file keeps its mode, a link keeps pointing at the new content, and a device is
// written in place rather than replaced by a file.
TEST(AtomicFileTest, LinksModesAndDevices) {
    TempDir dir;
    const std::string real = dir.Write("real.xml", "old");
    ::chmod(real.c_str(), 0600);
    const std::string link = dir.File("link.xml");
    fs::create_symlink(real, link);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(link, "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(real), "new");
    EXPECT_EQ(ModeOf(real), 0600u);
    EXPECT_EQ(EntriesIn(dir.Path()), 2u);

    EXPECT_TRUE(WriteFileAtomically("/dev/null", "new", error)) << error;
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    if (fs::exists("/dev/full")) {
        EXPECT_FALSE(WriteFileAtomically("/dev/full", std::string(1 << 16, 'x'), error));
        EXPECT_EQ(error, "Error 28: No space left on device");
        EXPECT_TRUE(fs::is_character_file("/dev/full"));
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

// A name the program chose is replaced only when it is a regular file or absent; whatever
// else stands there (and whatever a link leads to) stays as it was.
TEST(AtomicFileTest, ProgramNamedTargetsAreNeverFollowed) {
    struct Case {
        const char* Name;
        const char* Make; // "file", "link", "dangling", "fifo", "folder" or "" (absent)
        int Problem;
    } cases[] = {
        {"absent", "", 0},         {"regular file", "file", 0},      {"link to a file", "link", ELOOP},
        {"dangling link", "dangling", ELOOP}, {"pipe", "fifo", EEXIST}, {"folder", "folder", EISDIR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const std::string victim = dir.Write("victim.txt", "keep");
        const std::string target = dir.File("lstFiles.csv");
        const std::string make = c.Make;
        if (make == "file") dir.Write("lstFiles.csv", "old");
        if (make == "link") fs::create_symlink(victim, target);
        if (make == "dangling") fs::create_symlink(dir.File("nowhere"), target);
        if (make == "fifo") ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
        if (make == "folder") fs::create_directory(target);
        EXPECT_EQ(PlainFileProblem(target), c.Problem);
        AtomicFile file(target);
        file.RequirePlainFile();
        std::string error;
        const bool ok = file.Open(error) && file.Write("new", error) && file.Commit(error);
        EXPECT_EQ(ok, c.Problem == 0) << error;
        EXPECT_EQ(file.ErrorNumber(), c.Problem);
        if (ok) EXPECT_EQ(ReadAll(target), "new");
        EXPECT_EQ(ReadAll(victim), "keep");
        EXPECT_FALSE(fs::exists(dir.File("nowhere")));
    }
}

// A group replaces all its files or none: a failure at any one of them (a folder in the way
// when opening, the file-size limit when writing) leaves every old file and no temporary.
TEST(AtomicFileTest, GroupReplacesAllOrNone) {
    struct Case {
        const char* Name;
        int FailAt;   // -1: nothing fails
        bool FolderInTheWay;
    } cases[] = {{"all written", -1, false}, {"second cannot open", 1, true}, {"third too large", 2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        const char* names[] = {"a.csv", "b.csv", "c.csv"};
        for (const char* name : names) dir.Write(name, "old");
        if (c.FolderInTheWay) {
            fs::remove(dir.File(names[c.FailAt]));
            fs::create_directory(dir.File(names[c.FailAt]));
        }
        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        bool ok = true;
        std::string error;
        std::vector<size_t> renamed;
        {
            AtomicFileGroup group;
            for (int i = 0; i < 3 && ok; ++i) {
                AtomicFile& file = group.Add(dir.File(names[i]));
                file.RequirePlainFile();
                rlimit limit = old;
                if (i == c.FailAt && !c.FolderInTheWay) limit.rlim_cur = 4096;
                setrlimit(RLIMIT_FSIZE, &limit);
                ok = file.Open(error) && file.Write(std::string(i == c.FailAt ? 10000 : 3, 'n'), error);
                setrlimit(RLIMIT_FSIZE, &old);
            }
            if (ok) ok = group.Commit(error, [&](size_t i) { renamed.push_back(i); });
        }
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(ok, c.FailAt < 0) << error;
        for (int i = 0; i < 3; ++i)
            if (!(c.FolderInTheWay && i == c.FailAt)) EXPECT_EQ(ReadAll(dir.File(names[i])), ok ? "nnn" : "old") << names[i];
        EXPECT_EQ(renamed.size(), ok ? 3u : 0u);
        EXPECT_EQ(EntriesIn(dir.Path()), 3u);
    }
}

} // namespace
} // namespace trevix
