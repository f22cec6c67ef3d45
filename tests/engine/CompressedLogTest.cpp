#include "engine/Analyser.h"
#include "engine/read/Decompression.h"
#include "engine/read/LogReader.h"
#include "support/LogFiles.h"
#include "support/TestSupport.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <lzma.h>
#include <zstd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

using namespace trevix;
using trevix::testing::LogWithoutFormats;
using trevix::testing::RecordingHost;
using trevix::testing::TempDir;

namespace {

std::string Compress(LogCompression kind, const std::string& text) {
    std::string out;
    if (kind == LogCompression::Bzip2) {
        unsigned size = static_cast<unsigned>(text.size() + text.size() / 100 + 600);
        out.resize(size);
        EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &size, const_cast<char*>(text.data()),
                                           static_cast<unsigned>(text.size()), 1, 0, 0),
                  BZ_OK);
        out.resize(size);
    } else if (kind == LogCompression::Xz) {
        out.resize(lzma_stream_buffer_bound(text.size()));
        size_t pos = 0;
        EXPECT_EQ(lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr,
                                          reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                                          reinterpret_cast<uint8_t*>(out.data()), &pos, out.size()),
                  LZMA_OK);
        out.resize(pos);
    } else if (kind == LogCompression::Gzip) {
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
        out.resize(deflateBound(&z, text.size()));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        z.avail_in = static_cast<uInt>(text.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        out.resize(z.total_out);
        deflateEnd(&z);
    } else {
        out.resize(ZSTD_compressBound(text.size()));
        size_t size = ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 3);
        EXPECT_FALSE(ZSTD_isError(size));
        out.resize(size);
    }
    return out;
}

struct Format {
    LogCompression Kind;
    const char* Ending;
};
const Format Formats[] = {
    {LogCompression::Bzip2, ".bz2"},
    {LogCompression::Xz, ".xz"},
    {LogCompression::Zstd, ".zst"},
};

using Reading = trevix::testing::FileReading;

// Lines of several kinds: CR LF ends, a Latin-1 byte, an empty line, no final LF.
std::string LogText(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += "10.0." + std::to_string(i % 7) + "." + std::to_string(i % 250) +
                " - - [10/Oct/2000:13:55:36 +0000] \"GET /p" + std::to_string(i % 301) +
                (i % 5 == 0 ? "/caf\xE9" : "") + " HTTP/1.0\" 200 " + std::to_string(i) + " \"-\" \"UA " +
                std::to_string(i % 13) + "\"" + (i % 3 == 0 ? "\r\n" : "\n");
        if (i == 10) text += "\n";
    }
    text.pop_back();
    return text;
}

TEST(CompressedLogs, EachFormatReadsLikeThePlainFile) {
    const std::string text = LogText(40000); // several MB: many chunks, status updates and events
    Reading plain;
    plain.Read(plain.dir.Write("a.log", text));
    ASSERT_EQ(plain.a.Tables.EntryCount, 40000u);
    for (const Format& f : Formats) {
        SCOPED_TRACE(f.Ending);
        struct Case {
            const char* name;
            std::string bytes;
        } cases[] = {
            {"one stream", Compress(f.Kind, text)},
            // Two streams one after the other, as appending rotation makes them.
            {"two streams", Compress(f.Kind, text.substr(0, 1000)) + Compress(f.Kind, text.substr(1000))},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Reading packed;
            std::string upper = f.Ending;
            std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
            packed.Read(packed.dir.Write(std::string("a.log") + upper, c.bytes));
            EXPECT_FALSE(packed.a.Tables.Cancelled);
            EXPECT_EQ(packed.a.Tables.EntryCount, plain.a.Tables.EntryCount);
            EXPECT_EQ(packed.Files(), plain.Files());
            EXPECT_EQ(packed.a.Tables.VisitorCount(), plain.a.Tables.VisitorCount());
            EXPECT_EQ(packed.a.Tables.TotalMegabytes, plain.a.Tables.TotalMegabytes);
            EXPECT_EQ(packed.a.Tables.LastDateTime, plain.a.Tables.LastDateTime);
            EXPECT_EQ(LogWithoutFormats(packed.a.Tables.ErrorLogText), LogWithoutFormats(plain.a.Tables.ErrorLogText));
            EXPECT_TRUE(packed.host.Messages.empty());
            EXPECT_TRUE(packed.SawStatus("Decompressing a.log" + upper + " ..."));
            EXPECT_GT(packed.host.EventsServed, 2); // the window stays alive while unpacking
        }
    }
}

TEST(CompressedLogs, DamagedFilesKeepWhatWasReadAndSaySo) {
    const std::string text = LogText(30000);
    for (const Format& f : Formats) {
        SCOPED_TRACE(f.Ending);
        const std::string packed = Compress(f.Kind, text);
        struct Case {
            const char* name;
            std::string bytes;
            const char* reason;
            bool someLines;
            bool allLines; // the data was whole; only the stream's ending is missing
        } cases[] = {
            {"cut in the middle", packed.substr(0, packed.size() * 3 / 4), "unexpected end of file", true, false},
            {"last byte missing", packed.substr(0, packed.size() - 1), "", true, f.Kind != LogCompression::Zstd},
            {"not compressed at all", text.substr(0, 5000), "format", false, false},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            Reading r;
            const std::string path = r.dir.Write(std::string("cut.log") + f.Ending, c.bytes);
            r.Read(path);
            EXPECT_TRUE(r.host.Messages.empty()); // logged, not a dialog: the run goes on
            EXPECT_FALSE(r.a.Tables.Cancelled);
            EXPECT_NE(r.a.Tables.ErrorLogText.find("Damaged compressed file: '" + path + "' ("), std::string::npos)
                << r.a.Tables.ErrorLogText;
            EXPECT_NE(r.a.Tables.ErrorLogText.find(c.reason), std::string::npos) << r.a.Tables.ErrorLogText;
            if (!c.allLines) EXPECT_LT(r.a.Tables.EntryCount, 30000u);
            if (c.someLines) EXPECT_GT(r.a.Tables.EntryCount, 0u) << r.a.Tables.ErrorLogText;
            if (!c.someLines) EXPECT_EQ(r.a.Tables.EntryCount, 0u);
        }
    }
}

TEST(CompressedLogs, OpenFailuresCancelAndEmptyFilesAreQuiet) {
    for (const Format& f : Formats) {
        SCOPED_TRACE(f.Ending);
        Reading r;
        const std::string missing = r.dir.File(std::string("missing.log") + f.Ending);
        r.Read(missing);
        ASSERT_EQ(r.host.Messages.size(), 1u);
        EXPECT_EQ(r.host.Messages[0].Text,
                  "An error was encountered opening the file:\r\n\r\n" + missing + "\r\n\r\n(Error 2: No such file or directory)");
        EXPECT_FALSE(r.a.Tables.Cancelled);   // an unreadable file does not stop the run

        Reading empty;
        empty.Read(empty.dir.Write(std::string("empty.log") + f.Ending, ""));
        EXPECT_FALSE(empty.a.Tables.Cancelled);
        EXPECT_EQ(empty.a.Tables.EntryCount, 0u);
        EXPECT_EQ(LogWithoutFormats(empty.a.Tables.ErrorLogText), "");
    }
}

TEST(CompressedLogs, CancelWhileUnpackingParsesNoLine) {
    const std::string text = LogText(40000);
    for (const Format& f : Formats) {
        SCOPED_TRACE(f.Ending);
        Reading r;
        r.host.CancelAfterEvents = 1;
        r.Read(r.dir.Write(std::string("big.log") + f.Ending, Compress(f.Kind, text)));
        EXPECT_TRUE(r.a.Tables.Cancelled);
        EXPECT_EQ(r.a.Tables.EntryCount, 0u);
        EXPECT_EQ(r.host.EventsServed, 1); // unpacking stopped at the first event point
        EXPECT_EQ(r.host.Statuses.back(), "Done.");
    }
}

TEST(CompressedLogs, FormatByEndingInEitherCase) {
    struct Case {
        const char* path;
        LogCompression kind;
    } cases[] = {
        {"a.log", LogCompression::None},   {"a.gz", LogCompression::Gzip},    {"a.GZ", LogCompression::Gzip},
        {"a.bz2", LogCompression::Bzip2},  {"a.Bz2", LogCompression::Bzip2},  {"a.xz", LogCompression::Xz},
        {"a.zst", LogCompression::Zstd},   {"a.ZST", LogCompression::Zstd},   {"a.zstd", LogCompression::None},
        {"a.bz", LogCompression::None},    {"xz", LogCompression::None},      {"a.tar.xz", LogCompression::Xz},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompressionOf(c.path), c.kind) << c.path;
    for (std::string_view ending : CompressedLogEndings)
        EXPECT_NE(CompressionOf(std::string("log") + std::string(ending)), LogCompression::None) << ending;
}

// Descriptors of this process open on a file in folder (a deleted one included); each such
// file must be its owner's alone.
int OpenIn(const std::string& folder) {
    int n = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
        if (ec || target.rfind(folder + "/", 0) != 0) continue;
        ++n;
        struct stat st {};
        EXPECT_EQ(::stat(fd.path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << target;
    }
    return n;
}

// A folder not made yet counts as empty.
bool EmptyFolder(const std::string& folder) {
    std::error_code ec;
    return !std::filesystem::exists(folder, ec) || std::filesystem::is_empty(folder, ec);
}

// Looks into the temporary folder whenever the reader lets events run.
struct FolderWatchingHost : RecordingHost {
    std::string Folder;
    bool SawAName = false;
    void ProcessEvents() override {
        RecordingHost::ProcessEvents();
        if (!EmptyFolder(Folder)) SawAName = true;
    }
};

struct BudgetSetting {
    explicit BudgetSetting(const char* value) {
        if (value) setenv("TREVIX_MEMORY_BUDGET", value, 1);
        else unsetenv("TREVIX_MEMORY_BUDGET");
    }
    ~BudgetSetting() { unsetenv("TREVIX_MEMORY_BUDGET"); }
};

// A compressed log whose text does not fit the memory budget beside its entries, while its
// entries do, is inflated into a temporary file: the same tables as without a budget, no name
// in the folder at any time, and the file gone with its text when the tables are cleared.
TEST(CompressedLogs, TextBeyondTheBudgetGoesThroughATemporaryFile) {
    const std::string text = LogText(100000);   // about 8.5 MB
    struct Case {
        const char* name;
        const char* ending;
        std::string bytes;
    } cases[] = {
        // The size stated at the end decides before inflating.
        {"gzip stating its size", ".gz", Compress(LogCompression::Gzip, text)},
        // The last member states a few bytes: the memory checks switch over while inflating.
        {"gzip stating less than it holds", ".gz",
         Compress(LogCompression::Gzip, text.substr(0, text.size() - 500)) +
             Compress(LogCompression::Gzip, text.substr(text.size() - 500))},
        {"xz", ".xz", Compress(LogCompression::Xz, text)},
        {"zstd", ".zst", Compress(LogCompression::Zstd, text)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = std::string("access.log") + c.ending;
        Reading whole;
        {
            BudgetSetting none(nullptr);
            whole.a.ClearAllData();
            whole.Read(whole.dir.Write(file, c.bytes));
        }
        ASSERT_EQ(whole.a.Tables.EntryCount, 100000u);
        ASSERT_FALSE(whole.a.Tables.FileTexts[0]->OnDisk());

        TempDir folder;
        const std::string cache = folder.File("cache");   // made when first needed
        FolderWatchingHost host;
        host.Folder = cache;
        Reading r;
        r.a.SetHost(&host);
        r.a.Options.TemporaryFilesFolder = cache;
        {
            BudgetSetting budget("10M");
            r.a.ClearAllData();
            r.Read(r.dir.Write(file, c.bytes));
        }
        ASSERT_EQ(r.a.Tables.FileTexts.size(), 1u);
        EXPECT_TRUE(r.a.Tables.FileTexts[0]->OnDisk());
        EXPECT_TRUE(r.a.Tables.FileTexts[0]->Unchanged());
        EXPECT_EQ(r.a.Tables.EntryCount, whole.a.Tables.EntryCount);
        EXPECT_EQ(r.Files(), whole.Files());
        EXPECT_EQ(r.a.Tables.VisitorCount(), whole.a.Tables.VisitorCount());
        EXPECT_EQ(r.a.Tables.TotalMegabytes, whole.a.Tables.TotalMegabytes);
        EXPECT_EQ(r.a.Tables.LastDateTime, whole.a.Tables.LastDateTime);
        const std::string note = file + " inflated into a temporary file in " + cache + ": too large for memory\r\n";
        std::string log = LogWithoutFormats(r.a.Tables.ErrorLogText);
        const size_t at = log.find(note);
        ASSERT_NE(at, std::string::npos) << log;
        EXPECT_EQ(log.erase(at, note.size()), LogWithoutFormats(whole.a.Tables.ErrorLogText));
        EXPECT_TRUE(host.Messages.empty());
        EXPECT_TRUE(std::any_of(host.Statuses.begin(), host.Statuses.end(), [&](const std::string& s) {
            return s.rfind("Decompressing " + file + " to disk (", 0) == 0;
        }));
        EXPECT_FALSE(host.SawAName);
        EXPECT_TRUE(EmptyFolder(cache));
        EXPECT_EQ(OpenIn(cache), 1);
        r.a.ClearAllData();
        EXPECT_EQ(OpenIn(cache), 0);
    }
}

// Where the text can go neither into memory nor to disk, the run ends for want of memory, and
// the message names the folder and why.
TEST(CompressedLogs, NoRoomOnDiskEndsTheRunWithTheMemoryMessage) {
    const std::string text = LogText(100000);
    TempDir dir;
    const std::string notAFolder = dir.Write("plain", "x");
    struct Case {
        const char* name;
        std::string folder;
        std::string reason;
    } cases[] = {
        {"a file where the folder should be", notAFolder, "Not a directory"},
        {"a folder inside one that takes none", notAFolder + "/cache", "Not a directory"},
        {"a folder under /proc", "/proc/trevix-none", ""},
    };
    for (const auto& [kind, ending] : {std::pair{LogCompression::Gzip, ".gz"}, std::pair{LogCompression::Zstd, ".zst"}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ending);
            Reading r;
            r.a.Options.TemporaryFilesFolder = c.folder;
            // Written first: the budget counts what the run takes from its start.
            const std::string path = r.dir.Write(std::string("access.log") + ending, Compress(kind, text));
            BudgetSetting budget("10M");
            r.a.ClearAllData();
            bool threw = false;
            try {
                r.Read(path);
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            EXPECT_TRUE(threw);
            EXPECT_EQ(r.a.Tables.EntryCount, 0u);
            const std::string message = NotEnoughMemoryText(r.a);
            const std::string start = "Not enough memory to analyse " + path +
                                      ": 0 lines read; no temporary file could be written in " + c.folder + " (";
            EXPECT_EQ(message.substr(0, start.size()), start) << message;
            EXPECT_NE(message.find(c.reason + ")"), std::string::npos) << message;
            EXPECT_EQ(OpenIn(c.folder), 0);
        }
    }
}

} // namespace
