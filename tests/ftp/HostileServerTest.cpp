// A server is not trusted: sizes it announces, names it lists, replies it sends and how much
// of them it sends are all checked before they reach a file, a terminal or the memory.
#include "FtpTestServer.h"

#include "cli/FetchCommand.h"
#include "ftp/FtpBrowser.h"
#include "ftp/FtpSession.h"

#include "engine/ProgramOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace trevix {
namespace {

using namespace trevix::test;

class HostileServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running()) << server.Error();
        browser.Session().Timeouts = {5, 10, 10};
        browser.Session().ReplyLimit = 1024 * 1024; // the real cap is 64 MB; the rule is the same
        browser.Fields = {"127.0.0.1", kFtpUser, kFtpPassword, std::to_string(server.Port()), "/hostile",
                          folder.Path()};
    }

    FtpTestServer server{false, 0, true};
    TempFolder folder;
    RecordingHost host;
    ProgramOptions options;
    FtpBrowser browser{host, options, nullptr};
};

// "213 100" for a longer file gave a file cut mid-line; "213 -5" a 5-byte file.
TEST_F(HostileServerTest, ASizeThatLiesKeepsNoFile) {
    browser.Connect(nullptr);
    ASSERT_TRUE(browser.Connected()) << browser.Session().LastErrorText();
    const std::string body = ServerAccessLog(60);
    const struct {
        const char* Name;
        bool Kept;
        uint64_t Announced;
    } cases[] = {
        {"larger.log", false, body.size() + 100},
        {"smaller.log", false, 100},
        {"negative.log", true, 0}, // not a size: the listing's size is used, which is right
        {"after.log", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto outcome = browser.Download(nullptr, {c.Name}, AfterDownloadChoice::DoNothing);
        EXPECT_EQ(outcome.Succeeded, c.Kept) << outcome.Detail;
        if (c.Kept) {
            EXPECT_EQ(ReadFile(folder / c.Name), body);
        } else {
            EXPECT_EQ(outcome.Detail, "The transfer of /hostile/" + std::string(c.Name) + " ended after " +
                                          std::to_string(body.size()) + " bytes, but the server announced " +
                                          std::to_string(c.Announced) + " bytes; the file was not kept.");
            EXPECT_TRUE(host.SawStatus("Transfer failed."));
        }
    }
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"after.log", "negative.log"}));
}

TEST_F(HostileServerTest, ANameWithALineFeedIsShownEscapedAndHidesNothing) {
    browser.Connect(nullptr);
    ASSERT_TRUE(browser.Connected());
    std::vector<std::string> names;
    for (const FtpDirEntry& e : browser.EntryRecords()) names.push_back(e.Name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"..", "a\\nb.log", "after.log", "chatty.log", "larger.log",
                                               "negative.log", "smaller.log"}));
    const auto shown = std::find_if(browser.Entries().begin(), browser.Entries().end(),
                                    [](const std::string& e) { return e.rfind("a\\nb.log\t", 0) == 0; });
    ASSERT_NE(shown, browser.Entries().end());
    const auto outcome = browser.Download(nullptr, {*shown}, AfterDownloadChoice::DoNothing);
    EXPECT_FALSE(outcome.Succeeded);
    EXPECT_EQ(outcome.Reason, DownloadOutcome::Failure::RefusedName);
    EXPECT_TRUE(host.SawStatus("Not downloaded: \"a\\nb.log\" is not a plain file name.")) << host.Statuses.back();
    EXPECT_TRUE(FolderNames(folder.Path()).empty());
}

// An endless listing grew to gigabytes; an endless reply is the same on the control connection.
TEST_F(HostileServerTest, AnswersOverTheLimitAreRefusedWithAMessage) {
    browser.Connect(nullptr);
    ASSERT_TRUE(browser.Connected());
    browser.ChangePath2("/endless");
    EXPECT_EQ(browser.Fields.Directory, "/endless/");
    EXPECT_TRUE(host.SawStatus("The listing of /endless/ is larger than 1 MB; it was refused."))
        << host.Statuses.back();
    EXPECT_LT(browser.Entries().size(), 20000u);

    FtpSession& session = browser.Session();
    // libcurl cuts off an endless reply itself at a few hundred kilobytes; below that the
    // session's own limit acts.
    session.ReplyLimit = 64 * 1024;
    EXPECT_FALSE(session.FindFile("/hostile/chatty.log").has_value());
    EXPECT_TRUE(session.ReplyTooLarge());
    EXPECT_EQ(session.LastErrorText(), "The server's answer is larger than 65536 bytes; it was refused.");
    EXPECT_TRUE(browser.Connected());
    browser.ChangePath2("/hostile");
    EXPECT_FALSE(session.ReplyTooLarge());
    EXPECT_EQ(browser.Entries().size(), 7u); // the connection still works
}

TEST_F(HostileServerTest, ServerRepliesCannotDriveTheTerminalOrTheStatus) {
    browser.Fields.Username = "owned";
    browser.Connect(nullptr);
    ASSERT_FALSE(browser.Connected());
    EXPECT_EQ(host.Statuses.back(), "530 \\x1b[2J\\x1b]0;OWNED\\x07 Login \\u202eincorrect.");
}

// What the command line prints of a server passes the same escaping as log text.
TEST_F(HostileServerTest, TheCommandLinePrintsServerTextEscaped) {
    const std::string base = "ftp://%s@127.0.0.1:" + std::to_string(server.Port());
    const auto url = [&](const char* user, const char* path) {
        std::string u = base;
        return u.replace(u.find("%s"), 2, user) + path;
    };
    const struct {
        std::string Url;
        std::string Message;
    } cases[] = {
        {url("owned", "/hostile/after.log"), "530 \\x1b[2J\\x1b]0;OWNED\\x07 Login \\u202eincorrect.\n"},
        {url(kFtpUser, "/hostile/a%0Ab.log"), "Not downloaded: \"a\\nb.log\" is not a plain file name.\n"},
        {url(kFtpUser, "/hostile/a%1B%5B2J.log"), "Not downloaded: \"a\\x1b[2J.log\" is not a plain file name.\n"},
        {url(kFtpUser, "/hostile/smaller.log"), "but the server announced 100 bytes; the file was not kept.\n"},
    };
    setenv("TREVIX_FTP_PASSWORD", kFtpPassword, 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Url);
        std::ostringstream out, err;
        EXPECT_EQ(RunFetchCommand({c.Url, "--to", folder.Path()}, out, err), 2);
        EXPECT_NE(err.str().find(c.Message), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find_first_of("\x1b\x07"), std::string::npos);
        EXPECT_EQ(err.str().find("\xE2\x80\xAE"), std::string::npos);
        EXPECT_TRUE(FolderNames(folder.Path()).empty());
    }
    unsetenv("TREVIX_FTP_PASSWORD");
}

// Disk full said "Error details not available."; the system's reason is what helps.
TEST(DownloadWriteFailureTest, DiskFullSaysSoAndKeepsNoPart) {
    TempFolder mount;
    if (RunProgram({"mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", mount.Path()}) != 0)
        GTEST_SKIP() << "a small file system cannot be mounted here (needs root)";
    struct Unmount {
        std::string Path;
        ~Unmount() { RunProgram({"umount", Path}); }
    } unmount{mount.Path()};
    FtpTestServer server;
    ASSERT_TRUE(server.Running()) << server.Error();
    RecordingHost host;
    FtpSession session(host);
    ASSERT_TRUE(session.OpenSession() && session.OpenConnection({"127.0.0.1", server.Port(), kFtpUser, kFtpPassword}));
    const auto entry = session.FindFile("/logs/medium.bin");
    ASSERT_TRUE(entry.has_value());
    EXPECT_FALSE(session.FtpDownloadFile("/logs/medium.bin", mount / "medium.bin", *entry, false));
    EXPECT_EQ(session.LastErrorText(), "Cannot write " + (mount / "medium.bin") + ": No space left on device");
    EXPECT_TRUE(FolderNames(mount.Path()).empty());
}

} // namespace
} // namespace trevix
