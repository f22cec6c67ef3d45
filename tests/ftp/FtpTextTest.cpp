#include "ftp/FtpErrors.h"
#include "ftp/FtpSession.h"
#include "ftp/FtpText.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

namespace trevix {
namespace {

TEST(FtpTextTest, FormatFileSize) {
    const struct {
        uint64_t Bytes;
        const char* Expected;
    } cases[] = {
        {0, "0 bytes"},
        {1, "1 bytes"},
        {999, "999 bytes"},
        {1000, "0.97 KB"},          // switches unit before four digits
        {1024, "1.00 KB"},
        {1536, "1.50 KB"},
        {2047, "1.99 KB"},          // cut, not rounded up to 2.00
        {10 * 1024, "10.0 KB"},
        {12345, "12.0 KB"},
        {512 * 1024, "512 KB"},
        {1023 * 1024, "0.99 MB"},
        {3 * 1024 * 1024 + 17, "3.00 MB"},
        {12900000, "12.3 MB"},
        {5368709120ULL, "5.00 GB"},  // beyond 32 bits
        {1099511627776ULL, "1.00 TB"},
        {UINT64_MAX, "15.9 EB"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFileSize(c.Bytes), c.Expected) << c.Bytes;
}

TEST(FtpTextTest, PortRule) {
    const struct {
        const char* Text;
        int Port;
    } cases[] = {{"", 21}, {"0", 21}, {"21", 21}, {"2121", 2121}, {" 990 ", 990}, {"65535", 65535},
                 {"65536", 21}, {"-5", 21}, {"21x", 21}, {"abc", 21}, {"1.5", 21}};
    for (const auto& c : cases) EXPECT_EQ(ParseFtpPort(c.Text), c.Port) << "'" << c.Text << "'";
}

TEST(FtpTextTest, SchemeAndStandardPortOfTheServerText) {
    const struct {
        const char* Text;
        FtpScheme Scheme;
        const char* Host;
        const char* PortBox;
        int Port;
    } cases[] = {
        {"ftp.example.com", FtpScheme::Ftp, "ftp.example.com", "", 21},
        {"ftp://ftp.example.com", FtpScheme::Ftp, "ftp.example.com", "0", 21},
        {"FTPS://Secure.example.com/", FtpScheme::Ftps, "Secure.example.com", "", 21},
        {" ftps://10.0.0.1 ", FtpScheme::Ftps, "10.0.0.1", "990", 990},
        {"sftp://host", FtpScheme::Sftp, "host", "", 22},
        {"SFTP://host", FtpScheme::Sftp, "host", "0", 22},
        {"sftp://host", FtpScheme::Sftp, "host", "2222", 2222},
        {"sftp://host", FtpScheme::Sftp, "host", "junk", 22},
        {"http://host", FtpScheme::Ftp, "http://host", "", 21}, // refused later as a server name
        {"ftpsx://host", FtpScheme::Ftp, "ftpsx://host", "", 21},
    };
    for (const auto& c : cases) {
        const FtpServerText server = ParseServerText(c.Text);
        EXPECT_EQ(server.Scheme, c.Scheme) << c.Text;
        EXPECT_EQ(server.Host, c.Host) << c.Text;
        EXPECT_EQ(ParseFtpPort(c.PortBox, DefaultFtpPort(server.Scheme)), c.Port) << c.Text << " port " << c.PortBox;
    }
}

TEST(FtpTextTest, LongListingLines) {
    const struct {
        const char* Line;
        bool IsEntry;
        const char* Name;
        bool IsDirectory;
        uint64_t Size;
        const char* Modified;
    } cases[] = {
        {"-rw-r--r--    1 0        0             123 Dec  7 22:54 access.log", true, "access.log", false, 123,
         "Dec 7 22:54"},
        {"drwxr-xr-x    2 user     group        4096 Jan 01  2025 Old Logs", true, "Old Logs", true, 0, "Jan 01 2025"},
        {"-rw-r--r--    1 u g 5368709120 Mar  3 01:02 two  blanks.log\r", true, "two  blanks.log", false,
         5368709120ULL, "Mar 3 01:02"},
        {"lrwxrwxrwx    1 u g 11 Mar  3 01:02 current.log -> access.log", true, "current.log", false, 11,
         "Mar 3 01:02"},
        {"drwxr-xr-x    2 u g 4096 Jan 01 12:00 .", false, "", false, 0, ""},
        {"drwxr-xr-x    2 u g 4096 Jan 01 12:00 ..", false, "", false, 0, ""},
        {"total 12", false, "", false, 0, ""},
        {"", false, "", false, 0, ""},
        {"-rw-r--r-- 1 u g big Jan 01 12:00 x", false, "", false, 0, ""},
        {"-rw-r--r-- 1 u g 1 Jan 01 12:00", false, "", false, 0, ""}, // no name
        // The Windows style.
        {"12-06-26  01:02PM       <DIR>          Old Logs", true, "Old Logs", true, 0, "12-06-26 01:02PM"},
        {"12-06-26  01:02PM                 1234 win log.txt\r", true, "win log.txt", false, 1234,
         "12-06-26 01:02PM"},
        {"06/12/2026  13:02    5368709120 big.log", true, "big.log", false, 5368709120ULL, "06/12/2026 13:02"},
        {"12-06-26  01:02PM  12x4 bad.txt", false, "", false, 0, ""},
        {"Jan  01:02PM  1234 x.txt", false, "", false, 0, ""},
    };
    for (const auto& c : cases) {
        const auto entry = ParseListLine(c.Line);
        ASSERT_EQ(entry.has_value(), c.IsEntry) << c.Line;
        if (!entry) continue;
        EXPECT_EQ(entry->Name, c.Name);
        EXPECT_EQ(entry->IsDirectory, c.IsDirectory) << c.Line;
        EXPECT_EQ(entry->Size, c.Size) << c.Line;
        EXPECT_EQ(entry->Modified, c.Modified) << c.Line;
    }
}

// A name may hold a line feed; in a CR LF listing it neither cuts the entry nor hides the rest.
TEST(FtpTextTest, ListingLinesAreCutAtTheListingsOwnLineEnd) {
    const struct {
        const char* Name;
        std::vector<std::string> Chunks;
        std::vector<std::string> Lines;
    } cases[] = {
        {"CR LF", {"one\r\ntw", "o\r", "\nthree\r\n"}, {"one", "two", "three"}},
        {"LF in a name", {"a\nb.log\r\nafter.log\r\n"}, {"a\nb.log", "after.log"}},
        {"LF only", {"one\ntwo\n", "three"}, {"one", "two", "three"}},
        {"no line end", {"one"}, {"one"}},
        {"nothing", {}, {}},
    };
    for (const auto& c : cases) {
        ListingLines splitter;
        std::vector<std::string> lines;
        const auto collect = [&](std::string_view line) {
            lines.emplace_back(line);
            return true;
        };
        for (const std::string& chunk : c.Chunks) EXPECT_TRUE(splitter.Feed(chunk, collect));
        EXPECT_TRUE(splitter.Finish(collect));
        EXPECT_EQ(lines, c.Lines) << c.Name;
    }
    ListingLines splitter; // the caller can stop
    int seen = 0;
    EXPECT_FALSE(splitter.Feed("a\r\nb\r\nc\r\n", [&](std::string_view) { return ++seen < 2; }));
    EXPECT_EQ(seen, 2);
}

// Listed in ASCII mode, a line feed in a name arrives as a line end: the rest of the name is
// kept with it, and the entries after it are all there.
TEST(FtpTextTest, ListingEntriesKeepNamesWithLineFeedsWhole) {
    const std::string a = "-rw-r--r--   1 u  g  6940 Dec 08 04:29 ";
    const std::string d = "drwxr-xr-x   2 u  g  4096 Dec 08 04:29 ";
    const struct {
        const char* Name;
        std::string Listing;
        std::vector<std::string> Names;
    } cases[] = {
        {"CR LF kept in binary mode", a + "a\nb.log\r\n" + a + "after.log\r\n", {"a\nb.log", "after.log"}},
        {"turned into CR LF", a + "a\r\nb.log\r\n" + a + "after.log\r\n", {"a\nb.log", "after.log"}},
        {"two line feeds, last entry", a + "x.log\r\n" + a + "a\r\nb\r\nc", {"x.log", "a\nb\nc"}},
        {"dots and total", "total 8\r\n" + d + ".\r\n" + a + "x.log\r\n" + d + "..\r\n" + d + "sub\r\n",
         {"x.log", "sub"}},
        {"LF listing", a + "x.log\n" + a + "y.log\n", {"x.log", "y.log"}},
    };
    for (const auto& c : cases) {
        for (size_t chunk : {size_t{1}, size_t{7}, c.Listing.size()}) {
            ListingParser parser;
            std::vector<std::string> names;
            const auto collect = [&](const FtpDirEntry& e) {
                names.push_back(e.Name);
                return true;
            };
            for (size_t i = 0; i < c.Listing.size(); i += chunk) parser.Feed(std::string_view(c.Listing).substr(i, chunk), collect);
            parser.Finish(collect);
            EXPECT_EQ(names, c.Names) << c.Name << ", chunks of " << chunk;
        }
    }
}

TEST(FtpTextTest, NumberedNamesKeepTheEndingsThatMatter) {
    const struct {
        const char* Name;
        int Number;
        const char* Expected;
    } cases[] = {
        {"access.log", 2, "access (2).log"},
        {"access.log.gz", 2, "access (2).log.gz"}, // still read as compressed
        {"access.gz", 3, "access (3).gz"},
        {"README", 2, "README (2)"},
        {".hidden", 2, ".hidden (2)"},
        {"Shop 06-12-2026 access.log", 10, "Shop 06-12-2026 access (10).log"},
    };
    for (const auto& c : cases) EXPECT_EQ(NumberedName(c.Name, c.Number), c.Expected) << c.Name;
}

TEST(FtpTextTest, SshFingerprintsAreWrittenAsSshDoes) {
    // SHA-256 of the empty key and of "abc", base64 without padding.
    EXPECT_EQ(SshKeyFingerprint(""), "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU");
    EXPECT_EQ(SshKeyFingerprint("abc"), "SHA256:ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0");
}

TEST(FtpTextTest, ListEntries) {
    EXPECT_EQ(FtpListText({"logs", true, 0, {}}), "logs/");
    EXPECT_EQ(FtpListText({"access.log", false, 1536, {}}), "access.log\t1.50 KB");
    EXPECT_EQ(FtpListText({"error log.txt", false, 47, {}}), "error log.txt\t47 bytes");

    const struct {
        const char* Entry;
        const char* Name;
        bool Downloadable;
    } cases[] = {
        {"access.log\t1.50 KB", "access.log", true},
        {"error log.txt\t47 bytes", "error log.txt", true},
        {"logs/", "logs/", false},
        {"..", "..", false},
        {"plain", "plain", true},
        {"", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ListEntryName(c.Entry), c.Name) << c.Entry;
        EXPECT_EQ(IsDownloadableEntry(c.Entry), c.Downloadable) << c.Entry;
    }
}

TEST(FtpTextTest, PlainFileNames) {
    const struct {
        std::string Name;
        bool Plain;
    } cases[] = {{"access.log", true}, {"..access", true}, {"a..b", true}, {"error log.txt", true},
                 {"", false}, {".", false}, {"..", false}, {"../x", false}, {"a/b", false},
                 {"..\\x", false}, {"sub/", false}, {std::string("a\0b", 3), false},
                 {"a\nb.log", false}, {"a\rb.log", false}, {"a\x1b[2J.log", false}, {"gol.\xE2\x80\xAE" "exe", false},
                 {"caf\xC3\xA9.log", true}};
    for (const auto& c : cases) EXPECT_EQ(IsPlainFileName(c.Name), c.Plain) << c.Name;
}

TEST(FtpTextTest, PathEndings) {
    EXPECT_EQ(EnsureTrailingSlash("/logs"), "/logs/");
    EXPECT_EQ(EnsureTrailingSlash("/logs/"), "/logs/");
    EXPECT_EQ(EnsureTrailingSlash(""), "/");
    EXPECT_EQ(EnsureTrailingPathSeparator("/tmp"), "/tmp/");
    EXPECT_EQ(EnsureTrailingPathSeparator("/tmp/"), "/tmp/");
    EXPECT_EQ(TrimAtNul(std::string("/logs\0junk", 10)), "/logs");
}

TEST(FtpTextTest, PwdReplies) {
    const struct {
        const char* Line;
        const char* Dir; // nullptr: not a directory reply
    } cases[] = {
        {"257 \"/\" is the current directory.", "/"},
        {"257 \"/logs/sub\" is the current directory.", "/logs/sub"},
        {"257 \"/a \"\"b\"\"\" is current directory.", "/a \"b\""},
        {"257 \"/with space\"", "/with space"},
        {"257 /unquoted is current", "/unquoted"},
        {"250 \"/\" changed", nullptr},
        {"257 \"/never closed", nullptr},
        {"25", nullptr},
    };
    for (const auto& c : cases) {
        const auto dir = ParsePwdReply(c.Line);
        if (c.Dir)
            EXPECT_EQ(dir.value_or("<none>"), c.Dir) << c.Line;
        else
            EXPECT_FALSE(dir.has_value()) << c.Line;
    }
}

TEST(FtpTextTest, ErrorTexts) {
    const struct {
        int Code;
        const char* Reply;
        const char* Expected;
    } cases[] = {
        {12002, "", "The request has timed out."},
        {12003, "530 Login incorrect.", "530 Login incorrect."},
        {12003, "", "Extended error returned from server."},
        {12006, "", "URL scheme could not be recognized, or is not supported."},
        {12007, "", "Server name could not be resolved."},
        {12009, "", "Error 12009"},
        {12011, "", "The request option can not be set, only queried. "},
        {12014, "", "Incorrect password. "},
        {12017, "", "Operation cancelled."},
        {12029, "", "The attempt to connect to the server failed."},
        {12036, "", "The request failed because the handle already exists."},
        {12032, "", "Error details not available."},
        {0, "", "Error details not available."},
        {23, "", "Error details not available."},
    };
    for (const auto& c : cases) EXPECT_EQ(FtpErrorText(c.Code, c.Reply), c.Expected) << c.Code;
}

TEST(FtpTextTest, LibcurlResultsMapToCodes) {
    const struct {
        CURLcode Result;
        int Code;
    } cases[] = {
        {CURLE_OK, 0},
        {CURLE_LOGIN_DENIED, 12003},
        {CURLE_REMOTE_ACCESS_DENIED, 12003},
        {CURLE_FTP_COULDNT_RETR_FILE, 12003},
        {CURLE_COULDNT_RESOLVE_HOST, 12007},
        {CURLE_COULDNT_CONNECT, 12029},
        {CURLE_OPERATION_TIMEDOUT, 12002},
        {CURLE_ABORTED_BY_CALLBACK, 12017},
        {CURLE_URL_MALFORMAT, 12005},
        {CURLE_RECV_ERROR, 12030},
    };
    for (const auto& c : cases) EXPECT_EQ(FtpErrorCodeFromCurl(c.Result), c.Code) << c.Result;
    // A result without a row keeps no borrowed meaning.
    EXPECT_EQ(FtpErrorText(FtpErrorCodeFromCurl(CURLE_WRITE_ERROR)), "Error details not available.");
}

} // namespace
} // namespace trevix
