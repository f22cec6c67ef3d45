#include "FtpTestServer.h"

#include "ftp/FtpErrors.h"
#include "ftp/FtpSession.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace trevix {
namespace {

using namespace trevix::test;

// A port on 127.0.0.1 where nothing listens.
int ClosedPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    close(s);
    return ntohs(addr.sin_port);
}

class FtpSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running()) << server.Error();
        ASSERT_FALSE(folder.Path().empty());
        session.Timeouts = {5, 10, 10};
    }

    FtpServerAddress Address(const std::string& password = kFtpPassword) const {
        return {"127.0.0.1", server.Port(), kFtpUser, password};
    }

    bool Connect() { return session.OpenSession() && session.OpenConnection(Address()); }

    std::map<std::string, FtpDirEntry> List(const std::string& dir, std::vector<std::string>* order = nullptr) {
        std::map<std::string, FtpDirEntry> entries;
        EXPECT_TRUE(session.FindFiles(dir, [&](const FtpDirEntry& e) {
            entries[e.Name] = e;
            if (order) order->push_back(e.Name);
            return true;
        })) << dir;
        return entries;
    }

    bool Download(const std::string& remote, const std::string& local) {
        auto entry = session.FindFile(remote);
        if (!entry) return false;
        session.ResetTransferCounters();
        return session.FtpDownloadFile(remote, local, *entry, false);
    }

    FtpTestServer server;
    TempFolder folder;
    RecordingHost host;
    FtpSession session{host};
};

TEST_F(FtpSessionTest, ListsDirectoriesWithNamesFlagsAndSizes) {
    ASSERT_TRUE(Connect()) << session.LastErrorText();
    const struct {
        const char* Dir;
        std::vector<std::pair<const char*, long long>> Entries; // size -1: a directory
    } cases[] = {
        {"/", {{"big", -1}, {"dos", -1}, {"empty", -1}, {"logs", -1}, {"odd", -1}, {"readme.txt", 31}}},
        {"/dos/", {{"Old Logs", -1}, {"win log.txt", 1234}}}, // the DOS listing style
        {"/logs/",
         {{"access.log", static_cast<long long>(ServerAccessLog().size())},
          {"access.log.gz", -2}, // compressed: size not known in advance, only that it is a file
          {"error log.txt", 47},
          {"locked.log", 36},
          {"medium.bin", kMediumSize},
          {"sub", -1}}},
        {"/logs/sub/", {{"old.log", static_cast<long long>(ServerAccessLog(3).size())}}},
        {"/big/", {{"big.bin", kBigSize}, {"huge.bin", kHugeSize}}},
        {"/empty/", {}},
    };
    for (const auto& c : cases) {
        const auto entries = List(c.Dir);
        EXPECT_EQ(entries.size(), c.Entries.size()) << c.Dir;
        for (const auto& [name, size] : c.Entries) {
            const auto it = entries.find(name);
            ASSERT_NE(it, entries.end()) << c.Dir << name;
            EXPECT_EQ(it->second.IsDirectory, size == -1) << name;
            if (size >= 0) {
                EXPECT_EQ(static_cast<long long>(it->second.Size), size) << name;
            } else if (size == -2) {
                EXPECT_GT(it->second.Size, 0u) << name;
            }
        }
    }
}

TEST_F(FtpSessionTest, ChangingDirectoryFollowsWhatTheServerReports) {
    ASSERT_TRUE(Connect()) << session.LastErrorText();
    EXPECT_EQ(session.GetFtpCurrentDirectory(), "/");
    const struct {
        const char* Path;
        const char* Expected;
    } steps[] = {
        {"logs", "/logs/"},
        {"sub/", "/logs/sub/"},
        {"..", "/logs/"},
        {"/no/such/dir", "/logs/"}, // a failed change is silent and leaves the server where it was
        {"missing", "/logs/"},
        {"/big", "/big/"},
        {"/logs/sub/../", "/logs/"},
        {"/", "/"},
        {"bad\r\nDELE x", "/"},      // a command cannot be smuggled in
    };
    for (const auto& s : steps) {
        session.SetFtpCurrentDirectory(s.Path);
        EXPECT_EQ(session.GetFtpCurrentDirectory(), s.Expected) << s.Path;
    }
}

TEST_F(FtpSessionTest, DownloadIsByteForByteWithProgressCappedAtTheSize) {
    ASSERT_TRUE(Connect()) << session.LastErrorText();
    const std::string local = folder / "medium.bin";
    ASSERT_TRUE(Download("/logs/medium.bin", local)) << session.LastErrorText();
    EXPECT_EQ(ReadFile(local), ServerPatternBytes(kMediumSize, 5));
    EXPECT_EQ(session.TransferTotal(), kMediumSize);
    EXPECT_EQ(session.TransferMode(), 0);

    ASSERT_FALSE(host.ProgressValues.empty());
    EXPECT_EQ(host.ProgressValues.front(), 0);
    EXPECT_EQ(host.ProgressValues.back(), kMediumSize);
    for (size_t i = 0; i < host.ProgressValues.size(); ++i) {
        EXPECT_LE(host.ProgressValues[i], host.ProgressMaximums[i]);
        EXPECT_EQ(host.ProgressMaximums[i], kMediumSize);
        if (i > 0) {
            EXPECT_GE(host.ProgressValues[i], host.ProgressValues[i - 1]);
        }
    }
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"medium.bin"}); // no temporary left
}

TEST_F(FtpSessionTest, DownloadsNamesWithSpacesInBinaryAndOverwrites) {
    ASSERT_TRUE(Connect()) << session.LastErrorText();
    const std::string local = folder / "error log.txt";
    WriteFile(local, "an older, longer file that must be replaced entirely\n");
    ASSERT_TRUE(Download("/logs/error log.txt", local)) << session.LastErrorText();
    EXPECT_EQ(ReadFile(local), "[error] something odd\r\n[error] something else\r\n"); // CR LF kept
    ASSERT_TRUE(Download("/logs/sub/old.log", folder / "old.log"));
    EXPECT_EQ(ReadFile(folder / "old.log"), ServerAccessLog(3));
    EXPECT_EQ(FolderNames(folder.Path()), (std::vector<std::string>{"error log.txt", "old.log"}));
}

TEST_F(FtpSessionTest, PathsDoNotDependOnTheServersDirectory) {
    ASSERT_TRUE(Connect());
    const struct {
        const char* ChangeTo;
        const char* Remote;
        std::string Content;
    } cases[] = {
        {"/logs", "/readme.txt", "Test server for log downloads.\n"},
        {"/logs/sub", "/logs/access.log", ServerAccessLog()},
        {"/", "/logs/sub/old.log", ServerAccessLog(3)},
        {"/big", "/readme.txt", "Test server for log downloads.\n"},
    };
    for (const auto& c : cases) {
        session.SetFtpCurrentDirectory(c.ChangeTo);
        EXPECT_TRUE(Download(c.Remote, folder / "file")) << c.ChangeTo << " " << c.Remote;
        EXPECT_EQ(ReadFile(folder / "file"), c.Content) << c.ChangeTo << " " << c.Remote;
    }
    EXPECT_EQ(List("/logs/sub/").count("old.log"), 1u);
}

TEST_F(FtpSessionTest, NamesWithCharactersThatUrlsAndWildcardsUseAreTakenLiterally) {
    ASSERT_TRUE(Connect());
    const auto entries = List("/odd/");
    const char* const names[] = {".hidden.log", "a[1]*?.log", "100%.log", "semi;type=a.log", "caf\xC3\xA9.log"};
    EXPECT_EQ(entries.size(), std::size(names) + 1);
    EXPECT_TRUE(entries.count("we#ird [dir]") && entries.at("we#ird [dir]").IsDirectory);
    for (const std::string name : names) {
        ASSERT_TRUE(entries.count(name)) << name;
        EXPECT_EQ(entries.at(name).Size, name.size() + 1) << name;
        ASSERT_TRUE(Download("/odd/" + name, folder / "copy")) << name << ": " << session.LastErrorText();
        EXPECT_EQ(ReadFile(folder / "copy"), name + "\n");
    }
    session.SetFtpCurrentDirectory("/odd/we#ird [dir]");
    EXPECT_EQ(session.GetFtpCurrentDirectory(), "/odd/we#ird [dir]/");
    EXPECT_EQ(List("/odd/we#ird [dir]/").count("inner.log"), 1u);
    EXPECT_TRUE(Download("/odd/we#ird [dir]/inner.log", folder / "copy"));
    EXPECT_EQ(ReadFile(folder / "copy"), "inner\n");
}

TEST_F(FtpSessionTest, LooksUpFilesOnly) {
    ASSERT_TRUE(Connect());
    EXPECT_EQ(session.FindFile("/logs/medium.bin").value_or(FtpDirEntry{}).Size, static_cast<uint64_t>(kMediumSize));
    EXPECT_EQ(session.FindFile("/big/huge.bin").value_or(FtpDirEntry{}).Size, static_cast<uint64_t>(kHugeSize));
    EXPECT_FALSE(session.FindFile("/logs/missing.log").has_value());
    EXPECT_FALSE(session.FindFile("/logs/sub").has_value());
    EXPECT_FALSE(session.FindFile("/logs/").has_value());
}

TEST_F(FtpSessionTest, ConnectionFailuresGiveTheirMessages) {
    SilentListener silent;
    session.Timeouts.ResponseSeconds = 1;
    ASSERT_TRUE(session.OpenSession());
    const struct {
        FtpServerAddress Address;
        int Code;
        const char* TextStart;
    } cases[] = {
        {{"127.0.0.1", server.Port(), kFtpUser, "wrong"}, 12003, "530 "},
        {{"127.0.0.1", server.Port(), "nobody", kFtpPassword}, 12003, "530 "},
        {{"127.0.0.1", ClosedPort(), kFtpUser, kFtpPassword}, 12029, "The attempt to connect to the server failed."},
        {{"no-such-host.invalid", server.Port(), kFtpUser, kFtpPassword}, 12007, "Server name could not be resolved."},
        {{"evil@127.0.0.1", server.Port(), kFtpUser, kFtpPassword}, 12005, "URL is invalid."},
        {{"127.0.0.1", silent.Port(), kFtpUser, kFtpPassword}, 12002, "The request has timed out."},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(session.OpenSession());
        EXPECT_FALSE(session.OpenConnection(c.Address)) << c.Address.Server;
        EXPECT_FALSE(session.ConnectionOpen());
        EXPECT_EQ(session.LastError(), c.Code) << c.Address.Server << " " << session.LastErrorText();
        EXPECT_EQ(session.LastErrorText().rfind(c.TextStart, 0), 0u) << session.LastErrorText();
    }
    // The wrong password's text is the server's own reply line.
    session.OpenConnection({"127.0.0.1", server.Port(), kFtpUser, "wrong"});
    EXPECT_EQ(session.LastErrorText(), "530 Authentication failed.");
}

TEST_F(FtpSessionTest, CancelInTheMiddleLeavesNoPartFileAndKeepsTheEarlierOne) {
    ASSERT_TRUE(Connect());
    const std::string local = folder / "big.bin";
    WriteFile(local, "earlier download");
    host.CancelAfterBytes = 1024 * 1024;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Download("/big/big.bin", local));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(3)); // the whole file would take far longer
    EXPECT_EQ(session.LastError(), 12017);
    EXPECT_EQ(session.LastErrorText(), "Operation cancelled.");
    EXPECT_EQ(session.TransferMode(), 0);
    EXPECT_LT(host.ProgressValues.back(), kBigSize);
    EXPECT_EQ(ReadFile(local), "earlier download");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"big.bin"});

    // The session goes on: the next file downloads.
    host.CancelAfterBytes = -1;
    host.ResetCancel();
    EXPECT_TRUE(Download("/readme.txt", folder / "readme.txt")) << session.LastErrorText();
    EXPECT_EQ(ReadFile(folder / "readme.txt"), "Test server for log downloads.\n");
}

TEST_F(FtpSessionTest, ClosingDuringADownloadStopsItAndClosesAfterwards) {
    ASSERT_TRUE(Connect());
    host.OnEvents = [&] {
        if (session.BytesReceived() > 1024 * 1024) session.Close(); // the Close button, mid-transfer
    };
    EXPECT_FALSE(Download("/big/big.bin", folder / "big.bin"));
    EXPECT_FALSE(session.ConnectionOpen());
    EXPECT_FALSE(session.SessionOpen());
    EXPECT_EQ(session.GetFtpCurrentDirectory(), "");
    EXPECT_TRUE(FolderNames(folder.Path()).empty());
}

TEST_F(FtpSessionTest, RefusedTransferReportsTheServerReply) {
    ASSERT_TRUE(Connect());
    EXPECT_FALSE(Download("/logs/locked.log", folder / "locked.log"));
    EXPECT_EQ(session.LastError(), 12003);
    EXPECT_EQ(session.LastErrorText().substr(0, 4), "550 ");
    EXPECT_TRUE(FolderNames(folder.Path()).empty());
}

// A transfer that ends at another size than the server announced is not kept, and says so.
TEST_F(FtpSessionTest, TransferOfTheWrongSizeIsNotKept) {
    ASSERT_TRUE(Connect());
    auto entry = session.FindFile("/readme.txt");
    ASSERT_TRUE(entry.has_value());
    const uint64_t real = entry->Size;
    for (uint64_t announced : {real + 100, real - 1}) {
        SCOPED_TRACE(announced);
        FtpDirEntry wrong = *entry;
        wrong.Size = announced;
        session.ResetTransferCounters();
        EXPECT_FALSE(session.FtpDownloadFile("/readme.txt", folder / "readme.txt", wrong, false));
        EXPECT_EQ(session.LastErrorText(), "The transfer of /readme.txt ended after " + std::to_string(real) +
                                               " bytes, but the server announced " + std::to_string(announced) +
                                               " bytes; the file was not kept.");
        EXPECT_TRUE(FolderNames(folder.Path()).empty());
    }
    EXPECT_TRUE(Download("/readme.txt", folder / "readme.txt"));
}

TEST_F(FtpSessionTest, NothingWorksWithoutAConnection) {
    FtpDirEntry entry{"readme.txt", false, 31, {}};
    EXPECT_FALSE(session.FtpDownloadFile("/readme.txt", folder / "readme.txt", entry, false));
    EXPECT_FALSE(session.FindFile("/readme.txt").has_value());
    EXPECT_FALSE(session.FindFiles("/", [](const FtpDirEntry&) { return true; }));
    EXPECT_EQ(session.GetFtpCurrentDirectory(), "");
    EXPECT_TRUE(FolderNames(folder.Path()).empty());
}

} // namespace
} // namespace trevix
