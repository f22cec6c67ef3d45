// The raw log reads the counted lines where the run left them: the same text a copy made while
// counting held, client fields replaced when addresses are kept private, and never the text of
// a file that changed afterwards.
#include "engine/lists/RawLogLines.h"

#include "engine/Analyser.h"
#include "engine/run/AnalysisRun.h"
#include "support/RawLogText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace trevix {

namespace {

const std::string KeyHex = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";

std::string Line(const std::string& client, const std::string& time, const std::string& path,
                 const std::string& agent = "Lynx", const std::string& referrer = "-") {
    return client + " - - [10/Oct/2000:" + time + " +0000] \"GET " + path + " HTTP/1.0\" 200 100 \"" + referrer +
           "\" \"" + agent + "\"";
}

void WritePlain(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

void WriteGzip(const std::string& path, const std::string& text) {
    gzFile f = gzopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    gzwrite(f, text.data(), static_cast<unsigned>(text.size()));
    gzclose(f);
}

struct RawLogRun {
    Analyser a;
    trevix::testing::RecordingHost host;
    trevix::testing::TempDir dir;
    RawLogRun() {
        a.SetHost(&host);
        a.Options.ShowRawLog = true;
        a.Reference.SpiderStrings = {"", "Googlebot"};
    }
    RunResult Run(const std::vector<std::string>& files, const std::string& mode = "none") {
        RunRequest request;
        request.Files = files;
        request.Profile.Anonymise = mode;
        request.Profile.AnonymiseKey = KeyHex;
        return AnalyseLogFiles(a, request);
    }
};

} // namespace

// What the run's copy of the raw log held: every counted line in order (a spider's too, a
// repaired line as repaired, none that a filter or the parser refused), each ended by CR LF,
// with its client field replaced when addresses are kept private. A client field that is not a
// piece of the line (decoded from an escape) used to leave the line as logged; now the line
// loses every address in it, as in the processing log.
TEST(RawLogLines, GiveTheTextTheCountedLinesHad) {
    const std::string spider = Line("10.1.2.4", "10:00:01", "/robots.txt", "Googlebot/2.1");
    const std::string first = Line("10.1.2.3", "10:00:00", "/a.html");
    const std::string cafe = Line("10.1.2.5", "10:00:02", "/caf\xe9.html");   // Windows-1252
    const std::string cafeRepaired = Line("10.1.2.5", "10:00:02", "/caf\xc3\xa9.html");
    const std::string skipped = Line("10.1.2.6", "10:00:03", "/skip.html");
    const std::string zipped = Line("10.1.2.3", "11:00:00", "/b.html", "Lynx", "http://10.7.7.7/x");
    const std::string json = R"({"time_local":"10/Oct/2000:12:00:00 +0000","remote_addr":"10.1.2.7\u0020",)"
                             R"("request":"GET /j.html HTTP/1.1","status":"200","body_bytes_sent":"5",)"
                             R"("http_referer":"http://10.7.7.7/y","http_user_agent":"Lynx"})";
    struct Case {
        const char* Mode;
        std::string (*Replace)(const std::string& client);
    };
    const Case cases[] = {
        {"none", [](const std::string& c) { return c; }},
        {"truncate", [](const std::string& c) { return TruncatedAddress(c); }},
        {"hash", [](const std::string& c) { return HashedAddress(c, *AnonymiseKeyFromHex(KeyHex)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mode);
        RawLogRun r;
        const std::string plain = r.dir.File("a.log"), gz = r.dir.File("b.log.gz"),
                          js = r.dir.File("c.log");
        WritePlain(plain, first + "\n" + spider + "\r\ngarbage\n" + cafe + "\n" + skipped + "\n");
        WriteGzip(gz, zipped + "\n");
        WritePlain(js, json + "\n");
        r.a.Filters.FileOn = true;
        r.a.Filters.FileContains = false;
        r.a.Filters.FileText = "/skip";
        const RunResult result = r.Run({plain, gz, js}, c.Mode);
        ASSERT_EQ(result.FilesLoaded, 3);
        ASSERT_TRUE(r.a.Lists.RawLogVisible);
        // The old rule: the line as counted, its client field (the line's first word here)
        // replaced.
        auto shown = [&](const std::string& line) {
            const size_t end = line.find(' ');
            return c.Replace(line.substr(0, end)) + line.substr(end) + "\r\n";
        };
        // A carriage return before the line feed stays part of its line.
        std::string expected = shown(first) + shown(spider + "\r") + shown(cafeRepaired) + shown(zipped);
        std::string jsonShown = json;
        if (std::string(c.Mode) != "none")
            for (const char* address : {"10.1.2.7", "10.7.7.7"}) {
                const size_t at = jsonShown.find(address);
                jsonShown.replace(at, std::string(address).size(), c.Replace(address));
            }
        expected += jsonShown + "\r\n";
        EXPECT_EQ(trevix::testing::RawLogText(r.a.Tables), expected);

        RawLogLines lines(r.a.Tables);
        ASSERT_EQ(lines.Count(), 5u);
        std::string scratch;
        for (size_t i = 0; i < lines.Count(); ++i) EXPECT_EQ(lines.Length(i), lines.Line(i, scratch).size()) << i;
        EXPECT_FALSE(lines.Recheck());
        EXPECT_TRUE(lines.ChangedFiles().empty());
    }
}

// A log file truncated, rewritten or replaced after the run is not read again: its lines read
// as empty once the raw log looks again, the other files' lines stay, and the file is named.
// A file that was only appended to still holds what was read.
TEST(RawLogLines, ChangedFileAfterTheRunShowsNoLines) {
    struct Case {
        const char* Name;
        void (*Change)(const std::string& path, const std::string& text);
        bool Changed;
    };
    const Case cases[] = {
        {"appended", [](const std::string& p, const std::string&) { std::ofstream(p, std::ios::app) << "more\n"; },
         false},
        {"truncated", [](const std::string& p, const std::string&) { ASSERT_EQ(::truncate(p.c_str(), 0), 0); }, true},
        {"cut to half", [](const std::string& p, const std::string& t) {
             ASSERT_EQ(::truncate(p.c_str(), static_cast<off_t>(t.size() / 2)), 0);
         }, true},
        {"rewritten in place",
         [](const std::string& p, const std::string& t) {
             std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
             f << std::string(t.size(), 'x');
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        RawLogRun r;
        const std::string plain = r.dir.File("access.log"), gz = r.dir.File("old.log.gz");
        std::string text;
        for (int i = 0; i < 20; ++i) text += Line("10.0.0." + std::to_string(i), "10:00:00", "/p.html") + "\n";
        WritePlain(plain, text);
        WriteGzip(gz, Line("10.9.9.9", "09:00:00", "/old.html") + "\n");
        ASSERT_EQ(r.Run({gz, plain}).FilesLoaded, 2);
        RawLogLines lines(r.a.Tables);
        ASSERT_EQ(lines.Count(), 21u);
        std::string scratch;
        c.Change(plain, text);
        EXPECT_EQ(lines.Recheck(), c.Changed);
        EXPECT_FALSE(lines.Recheck());   // told once
        EXPECT_EQ(lines.Line(0, scratch), Line("10.9.9.9", "09:00:00", "/old.html"));   // inflated: a copy
        const std::string firstPlain = Line("10.0.0.0", "10:00:00", "/p.html");
        EXPECT_EQ(lines.Line(1, scratch), c.Changed ? "" : firstPlain);
        EXPECT_EQ(lines.Length(20), c.Changed ? 0u : Line("10.0.0.19", "10:00:00", "/p.html").size());
        EXPECT_EQ(lines.ChangedFiles(), c.Changed ? std::vector<std::string>{plain} : std::vector<std::string>{});
        // A raw log made after the change knows it at once.
        RawLogLines later(r.a.Tables);
        EXPECT_EQ(later.Line(5, scratch).empty(), c.Changed);
        EXPECT_EQ(later.ChangedFiles().size(), c.Changed ? 1u : 0u);
    }
}

} // namespace trevix
