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

TEST(FtpTextTest, ListEntries) {
    EXPECT_EQ(FtpListText({"logs", true, 0}), "logs/");
    EXPECT_EQ(FtpListText({"access.log", false, 1536}), "access.log\t1.50 KB");
    EXPECT_EQ(FtpListText({"error log.txt", false, 47}), "error log.txt\t47 bytes");

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
                 {"..\\x", false}, {"sub/", false}, {std::string("a\0b", 3), false}};
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
