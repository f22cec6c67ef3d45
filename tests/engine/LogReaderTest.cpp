#include "engine/Analyser.h"
#include "engine/read/LogReader.h"
#include "engine/parse/StoredEntryReader.h"
#include "support/LogFiles.h"
#include "support/RawLogText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

using namespace trevix;
using trevix::testing::LogWithoutFormats;
using trevix::testing::RecordingHost;
using trevix::testing::TempDir;

namespace {

std::string Line(const std::string& ip, const std::string& file, int status = 200, const std::string& agent = "UA",
                 const std::string& referrer = "-", const std::string& time = "10/Oct/2000:13:55:36") {
    return ip + " - - [" + time + " +0000] \"GET " + file + " HTTP/1.0\" " + std::to_string(status) + " 100 \"" +
           referrer + "\" \"" + agent + "\"";
}

struct Reading : trevix::testing::FileReading {
    Reading() {
        a.Reference.SpiderStrings = {"", "Googlebot"};
        a.Reference.GraphicExtensions = {"", "gif"};
        a.ClearAllData();
    }
};
std::string Gzip(const std::string& path, const std::string& bytes) {
    gzFile gz = gzopen(path.c_str(), "wb");
    gzwrite(gz, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(gz);
    return path;
}

} // namespace

TEST(LogReader, LinesAreCutByLineFeed) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> files;
        int invalid = 0;   // "Invalid entry" messages
    };
    const Case cases[] = {
        {"no final LF", Line("1.1.1.1", "/a") + "\n" + Line("1.1.1.1", "/b"), {"/a", "/b"}},
        {"blank lines of a CR LF file", "\r\n" + Line("1.1.1.1", "/a") + "\r\n\r\n" + Line("1.1.1.1", "/b") + "\r\n\r\n",
         {"/a", "/b"}},
        {"CR LF lines", Line("1.1.1.1", "/a") + "\r\n" + Line("1.1.1.1", "/b") + "\r\n", {"/a", "/b"}},
        {"empty lines in the middle", "\n\n" + Line("1.1.1.1", "/a") + "\n\n\n" + Line("1.1.1.1", "/b") + "\n\n",
         {"/a", "/b"}},
        {"address then blanks mid-file is only rejected", Line("1.1.1.1", "/a") + "\n1.1.1.1   \n" + Line("1.1.1.1", "/b") + "\n",
         {"/a", "/b"}, 1},
        {"a rejected line leaves no hole", Line("1.1.1.1", "/a") + "\nbad line\n" + Line("1.1.1.1", "/b") + "\n",
         {"/a", "/b"}, 1},
        {"two CRs are not a blank line", Line("1.1.1.1", "/a") + "\n\r\r\n", {"/a"}, 1},
        {"empty file", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reading r;
        r.Read(r.dir.Write("x.log", c.text));
        EXPECT_EQ(r.Files(), c.files);
        EXPECT_EQ(r.a.Tables.EntryCount, c.files.size());
        EXPECT_EQ(r.host.Statuses.back(), "Done.");
        int invalid = 0;
        for (size_t p = r.a.Tables.ErrorLogText.find("Invalid entry"); p != std::string::npos;
             p = r.a.Tables.ErrorLogText.find("Invalid entry", p + 1))
            ++invalid;
        EXPECT_EQ(invalid, c.invalid) << r.a.Tables.ErrorLogText;
    }
}

TEST(LogReader, CarriageReturnStaysPartOfTheLine) {
    Reading r;
    r.a.Options.ShowRawLog = true;
    r.a.Filters.LogTextOn = true;
    r.a.Filters.LogText = "\"UA\"\r";
    r.Read(r.dir.Write("x.log", Line("1.1.1.1", "/a") + "\r\n" + Line("1.1.1.1", "/b") + "\n"));
    EXPECT_EQ(r.Files(), std::vector<std::string>{"/a"});
    EXPECT_EQ(trevix::testing::RawLogText(r.a.Tables), Line("1.1.1.1", "/a") + "\r\r\n");
}

TEST(LogReader, LongLineBoundary) {
    const std::string base = Line("1.1.1.1", "/a", 200, "");
    for (size_t length : {size_t(30000), size_t(30001)}) {
        Reading r;
        std::string line = Line("1.1.1.1", "/a", 200, std::string(length - base.size(), 'u'));
        ASSERT_EQ(line.size(), length);
        r.Read(r.dir.Write("x.log", line + "\n" + Line("2.2.2.2", "/b") + "\n"));
        if (length == 30000) {
            EXPECT_EQ(r.a.Tables.EntryCount, 2u);
            EXPECT_EQ(LogWithoutFormats(r.a.Tables.ErrorLogText), "");
        } else {
            EXPECT_EQ(r.a.Tables.EntryCount, 1u);
            EXPECT_EQ(r.a.Tables.LinesRejected, 1u);
            EXPECT_EQ(LogWithoutFormats(r.a.Tables.ErrorLogText), "Ignoring long line (probably vulnerability exploit attempt): '" +
                                              line.substr(0, 75) + " ...'\r\n");
        }
    }
}

TEST(LogReader, FilesThatCannotBeOpenedAreReportedAndSkipped) {
    struct Case {
        const char* name;
        std::string path;
        const char* error;
    };
    TempDir dir;
    const Case cases[] = {
        {"missing plain file", dir.File("missing.log"), "(Error 2: No such file or directory)"},
        {"missing gzip file", dir.File("missing.log.gz"), "(Error 2: No such file or directory)"},
        {"a folder", dir.Path().string(), "(Error 21: Is a directory)"},
        {"a folder named like a gzip file", dir.Path().string() + "/sub.gz", "(Error 21: Is a directory)"},
    };
    std::filesystem::create_directory(dir.Path() / "sub.gz");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reading r;
        ++r.a.Tables.CurrentFileNumber;
        EXPECT_FALSE(ProcessFile(r.a, c.path));
        ASSERT_EQ(r.host.Messages.size(), 1u);
        EXPECT_EQ(r.host.Messages[0].Icon, MessageIcon::Critical);
        EXPECT_EQ(r.host.Messages[0].Title, "Error opening file");
        EXPECT_EQ(r.host.Messages[0].Text,
                  "An error was encountered opening the file:\r\n\r\n" + c.path + "\r\n\r\n" + c.error);
        // Not a cancel: the run goes on and reports the files that could be read.
        EXPECT_FALSE(r.a.Tables.Cancelled);
        EXPECT_EQ(r.a.Tables.EntryCount, 0u);
        // The next file of the run is read normally.
        r.Read(r.dir.Write("next.log", Line("1.1.1.1", "/a") + "\n"));
        EXPECT_FALSE(r.a.Tables.Cancelled);
        EXPECT_EQ(r.a.Tables.EntryCount, 1u);
    }
}

TEST(LogReader, GzipFilesReadLikePlainOnes) {
    Reading plain, packed;
    std::string text;
    for (int i = 0; i < 5000; ++i) text += Line("10.0.0." + std::to_string(i % 50), "/p" + std::to_string(i % 70)) + "\n";
    plain.Read(plain.dir.Write("a.log", text));
    packed.Read(Gzip(packed.dir.File("a.log.GZ"), text));
    EXPECT_EQ(packed.a.Tables.EntryCount, 5000u);
    EXPECT_EQ(packed.Files(), plain.Files());
    EXPECT_EQ(packed.a.Tables.VisitorCount(), plain.a.Tables.VisitorCount());
    EXPECT_EQ(LogWithoutFormats(packed.a.Tables.ErrorLogText), "");
    EXPECT_NE(std::find(packed.host.Statuses.begin(), packed.host.Statuses.end(), "Decompressing a.log.GZ ..."),
              packed.host.Statuses.end());
}

TEST(LogReader, DamagedGzipKeepsWhatWasReadAndSaysSo) {
    Reading r;
    std::string text;
    for (int i = 0; i < 20000; ++i) text += Line("10.0.0.1", "/page" + std::to_string(i)) + "\n";
    std::string full = r.dir.File("full.gz");
    Gzip(full, text);
    std::ifstream in(full, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::string cut = r.dir.Write("cut.log.gz", bytes.substr(0, bytes.size() / 2));
    r.Read(cut);
    EXPECT_GT(r.a.Tables.EntryCount, 1000u);
    EXPECT_LT(r.a.Tables.EntryCount, 20000u);
    EXPECT_NE(r.a.Tables.ErrorLogText.find("Damaged compressed file: '" + cut + "'"), std::string::npos)
        << r.a.Tables.ErrorLogText;
    EXPECT_TRUE(r.host.Messages.empty());
}

TEST(LogReader, CancelDuringReadingParsesNoLine) {
    Reading r;
    std::string text;
    while (text.size() < 3 * 1048576) text += Line("10.0.0.1", "/a") + "\n";
    r.host.CancelAfterEvents = 1;
    r.Read(r.dir.Write("big.log", text));
    EXPECT_TRUE(r.a.Tables.Cancelled);
    EXPECT_EQ(r.a.Tables.EntryCount, 0u);
    EXPECT_EQ(r.host.Statuses.back(), "Done.");
}

TEST(LogReader, CancelDuringTheLineLoopKeepsEntriesSoFar) {
    Reading r;
    std::string text;
    for (int i = 0; i < 1000; ++i) text += Line("10.0.0.1", "/a") + "\n";
    r.host.CancelAfterEvents = 3;   // one event after the read, then every 100 entries
    r.Read(r.dir.Write("x.log", text));
    EXPECT_TRUE(r.a.Tables.Cancelled);
    EXPECT_GT(r.a.Tables.EntryCount, 0u);
    EXPECT_LT(r.a.Tables.EntryCount, 1000u);
}

TEST(LogReader, Latin1BytesBecomeUtf8) {
    Reading r;
    r.Read(r.dir.Write("x.log", Line("1.1.1.1", "/caf\xE9.html", 200, "Agent \xA9 1") + "\n" +
                                    Line("1.1.1.1", "/caf\xC3\xA9-utf8.html") + "\n"));
    ASSERT_EQ(r.a.Tables.EntryCount, 2u);
    StoredEntryReader reader(r.a);
    EXPECT_EQ(reader.Read(1).File, "/caf\xC3\xA9.html");
    EXPECT_EQ(reader.Read(1).UserAgent, "Agent \xC2\xA9 1");
    EXPECT_EQ(reader.Read(2).File, "/caf\xC3\xA9-utf8.html");
}

TEST(LogReader, LastDateTimeIsTheLatestOfEachFilesLastLine) {
    Reading r;
    r.Read(r.dir.Write("1.log", Line("1.1.1.1", "/a", 200, "UA", "-", "10/Oct/2000:10:00:00") + "\n" +
                                   Line("1.1.1.1", "/a", 200, "UA", "-", "12/Oct/2000:10:00:00") + "\n"));
    r.Read(r.dir.Write("2.log", Line("1.1.1.1", "/a", 200, "UA", "-", "11/Oct/2000:10:00:00") + "\n"));
    EXPECT_EQ(r.a.Tables.FirstDateTime, "10/Oct/2000 10:00:00");
    EXPECT_EQ(r.a.Tables.LastDateTime, "12/Oct/2000 10:00:00");
}

TEST(Accumulation, PerFileSlotsAndSpiderAccounting) {
    Reading r;
    r.Read(r.dir.Write("1.log", Line("1.1.1.1", "/a", 200, "UA", "-", "10/Oct/2000:10:00:00") + "\n" +
                                   Line("1.1.1.1", "/logo.gif", 200) + "\n" +
                                   Line("9.9.9.9", "/robots.txt", 404, "Googlebot/2.1", "http://r/") + "\n" +
                                   Line("9.9.9.9", "/x", 200, "Googlebot/2.1", "http://r/") + "\n"));
    r.Read(r.dir.Write("2.log", Line("2.2.2.2", "/b", 206) + "\n" + Line("1.1.1.1", "/c", 304, "UA", "http://e/") +
                                   "\n" + Line("1.1.1.1", "/d", 302) + "\n"));
    const AnalysisTables& t = r.a.Tables;
    EXPECT_EQ(t.SpiderHits, 2);
    EXPECT_NEAR(t.TotalMegabytes, 7 * 100 / 1048576.0, 1e-12);
    ASSERT_EQ(t.VisitorCount(), 2u);
    const Visitor& one = t.Visitors[1];
    EXPECT_EQ(one.IP, "1.1.1.1");
    EXPECT_EQ(one.Requests, 4);
    EXPECT_EQ(one.LastFileNumber, 2);
    ASSERT_EQ(one.Sessions.size(), 3u);
    EXPECT_EQ(one.Sessions[1].EntryPage, "/a");
    EXPECT_EQ(one.Sessions[1].ExitPage, "/a") << "a graphic is no exit page";
    EXPECT_EQ(one.Sessions[1].ExitTime.Text(), "10/Oct/2000 13:55:36");
    EXPECT_EQ(one.Sessions[2].EntryPage, "/c");
    EXPECT_EQ(one.Sessions[2].Referrer, "http://e/");
    EXPECT_EQ(one.Sessions[2].ExitPage, "/d");
    const Visitor& two = t.Visitors[2];
    ASSERT_EQ(two.Sessions.size(), 3u);
    EXPECT_TRUE(two.Sessions[1].EntryTime.empty());
    EXPECT_EQ(two.Sessions[2].EntryPage, "/b");

    // Files: no spider requests; statuses by kind.
    ASSERT_EQ(t.FileCount(), 5u);
    auto file = [&](std::string_view name) { return t.Files[t.FindFile(name)]; };
    EXPECT_EQ(file("/b").Resumes, 1);
    EXPECT_EQ(file("/c").Reloads, 1);
    EXPECT_EQ(file("/d").TotalRequests, 1);
    EXPECT_EQ(file("/d").Gets + file("/d").Reloads + file("/d").Resumes, 0);
    EXPECT_EQ(t.FindFile("/robots.txt"), 0u);
    // Referrers: status 200 only, spiders included.
    ASSERT_EQ(t.ReferrerCount(), 1u);
    EXPECT_EQ(t.Referrers[1].ToFile, "/x");
    // Errors: spiders included.
    ASSERT_EQ(t.ErrorCount(), 1u);
    EXPECT_EQ(t.Errors[1].File, "/robots.txt");
    // The visitor's entries are chained in log order.
    std::vector<std::string> chain;
    StoredEntryReader reader(r.a);
    for (uint32_t e = one.FirstEntry; e != 0; e = t.LogEntries[e].NextOfAddress) chain.emplace_back(reader.Read(e).File);
    EXPECT_EQ(chain, (std::vector<std::string>{"/a", "/logo.gif", "/c", "/d"}));
}
