#include "engine/Analyser.h"
#include "engine/read/LogReader.h"
#include "support/GzipText.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace trevix {
namespace {

using testing::LogWithoutFormats;
using testing::RecordingHost;
using testing::TempDir;

std::string Line(const std::string& file) {
    return "1.2.3.4 - - [02/Nov/2026:00:31:58 +0100] \"GET " + file + " HTTP/1.1\" 200 1 \"-\" \"x\"";
}

std::string Dated(const std::string& date) {
    return "1.2.3.4 - - [" + date + ":00:31:58 +0100] \"GET /d HTTP/1.1\" 200 1 \"-\" \"x\"\n";
}

std::string Lines(int n, const char* end = "\n") {
    std::string text;
    for (int i = 0; i < n; ++i) text += Line("/p" + std::to_string(i)) + end;
    return text;
}

std::string GzipBytes(const std::string& text) { return testing::GzipBytes(text, 9); }

struct DamageCase {
    const char* Name;
    const char* File;
    std::string Bytes;
    uint32_t Accepted;
    uint64_t Rejected;
    const char* InLog;        // part of the processing log ("" when it must stay empty)
    const char* Incomplete;   // the front end's warning after the path; "" for none
};

TEST(DamagedInput, EachFileIsReadAsFarAsItGoesAndSaysWhatWasUsed) {
    const std::string text = Lines(3000);
    const std::string packed = GzipBytes(text);
    std::string corrupt = packed;
    for (size_t i = 200; i < 260; ++i) corrupt[i] = static_cast<char>(corrupt[i] ^ 0x5a);
    // A gzip member ends with the CRC-32 and the size of its text: a wrong CRC is only found
    // after the whole text was inflated.
    std::string badCheck = packed;
    badCheck[packed.size() - 8] = static_cast<char>(badCheck[packed.size() - 8] ^ 0x01);
    std::string binary;
    for (int i = 0; i < 4000; ++i) binary.push_back(static_cast<char>((i * 37) & 0xff));

    const DamageCase cases[] = {
        {"blank after the address mid-file", "a.log", Line("/a") + "\n1.2.3.4   \n" + Line("/b") + "\n", 2, 1,
         "Invalid entry: '1.2.3.4   '", ""},
        {"only a blank mid-file", "a.log", Line("/a") + "\n \n" + Line("/b") + "\n", 2, 1, "Invalid entry: ' '", ""},
        {"2,000 lines, a blank line at 1,000", "a.log", Lines(999) + " \n" + Lines(1000), 1999, 1, "Invalid entry", ""},
        // Over a megabyte: read on two threads.
        {"large file, blank line mid-file and at the end", "a.log", Lines(15000) + " \n" + Lines(15000) + "1.2.3.4 \n",
         30000, 1, "Invalid entry: ' '", ""},
        {"blank lines at the very end are skipped", "a.log", Line("/a") + "\n1.2.3.4 \n \n\n1.2.3.4   \n", 1, 0, "", ""},
        {"address-only tail with CR LF", "a.log", Line("/a") + "\r\n1.2.3.4 \r\n", 1, 0, "", ""},
        {"CR-only line ends", "a.log", Lines(3, "\r"), 3, 0, "lines end with CR alone", ""},
        {"CR LF is not CR-only", "a.log", Lines(2, "\r\n"), 2, 0, "", ""},
        {"truncated gzip", "a.log.gz", packed.substr(0, packed.size() / 2), 0, 0, "Damaged compressed file",
         "damaged after "},
        {"corrupt gzip", "a.log.gz", corrupt, 0, 0, "Damaged compressed file", "damaged after "},
        {"binary file", "a.log", binary, 0, 0, "a.log: no known log format; its first line: '?%Jo", "no known log format"},
        {"bad check value at the end of a member", "a.log.gz", badCheck, 3000, 0, "incorrect data check",
         "damaged after "},
        {"a file of one line over 30,000 characters", "a.log", Line("/" + std::string(30000, 'a')) + "\n", 0, 1,
         "Ignoring long line", "no valid log line; nothing was analysed"},
        {"dates not on the calendar or outside 1970-9999", "a.log",
         Dated("32/Nov/2026") + Dated("29/Feb/2025") + Dated("00/Jan/2026") + Dated("01/Jan/0001") +
             Dated("31/Dec/1969") + Dated("x1/Mar/2026") + Dated("29/Feb/2024") + Dated("31/Dec/9999"),
         2, 6, "Invalid entry: '1.2.3.4 - - [32/Nov/2026", ""},
    };
    for (const DamageCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TempDir dir;
        Analyser a;
        RecordingHost host;
        a.SetHost(&host);
        a.ClearAllData();
        a.Tables.CurrentFileNumber = 1;
        const std::string path = dir.Write(c.File, c.Bytes);
        EXPECT_TRUE(ProcessFile(a, path));
        if (std::string(c.Name).find("gzip") != std::string::npos) {
            // What was inflated before the damage is analysed: whole lines only, none made up.
            EXPECT_LT(a.Tables.EntryCount, 3000u);
        } else {
            EXPECT_EQ(a.Tables.EntryCount, c.Accepted);
            if (std::string(c.Name) != "binary file") EXPECT_EQ(a.Tables.LinesRejected, c.Rejected);
        }
        if (*c.InLog)
            EXPECT_NE(a.Tables.ErrorLogText.find(c.InLog), std::string::npos) << a.Tables.ErrorLogText;
        else
            EXPECT_EQ(LogWithoutFormats(a.Tables.ErrorLogText), "");
        if (*c.Incomplete) {
            ASSERT_EQ(a.Tables.IncompleteInputs.size(), 1u);
            EXPECT_EQ(a.Tables.IncompleteInputs[0].Path, path);
            EXPECT_TRUE(a.Tables.IncompleteInputs[0].Text.starts_with(path + ": " + c.Incomplete))
                << a.Tables.IncompleteInputs[0].Text;
        } else {
            EXPECT_TRUE(a.Tables.IncompleteInputs.empty());
        }
    }
}

// A small file that inflates enormously gets a note and is still read to its end.
TEST(DamagedInput, HighlyCompressedFileIsNotedAndRead) {
    std::string text = Line("/a") + "\n" + std::string(32 << 20, ' ') + "\n" + Line("/b") + "\n";
    TempDir dir;
    Analyser a;
    RecordingHost host;
    a.SetHost(&host);
    a.ClearAllData();
    a.Tables.CurrentFileNumber = 1;
    ASSERT_TRUE(ProcessFile(a, dir.Write("bomb.log.gz", GzipBytes(text))));
    EXPECT_EQ(a.Tables.EntryCount, 2u);
    EXPECT_NE(a.Tables.ErrorLogText.find("possible decompression bomb"), std::string::npos) << a.Tables.ErrorLogText;
    EXPECT_TRUE(a.Tables.IncompleteInputs.empty());
}

} // namespace
} // namespace trevix
