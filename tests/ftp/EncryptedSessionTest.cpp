// The session over FTPS (vsftpd, explicit TLS) and SFTP (asyncssh), and a plain FTP server
// that refuses SIZE: the same browsing and downloading, plus what each refuses to trust.
#include "FtpTestServer.h"

#include "ftp/FtpErrors.h"
#include "ftp/FtpSession.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>
#include <unistd.h>

namespace trevix {
namespace {

using namespace trevix::test;

// Cancel pressed on another thread, as the window's Cancel reaches a worker.
class ThreadHost : public NullHost {
public:
    std::atomic<bool> Cancel{false};
    std::atomic<long long> Received{0};
    bool IsCancelled() override { return Cancel.load(); }
    void SetProgress(long long value, long long) override { Received = value; }
};

struct Kind {
    const char* Scheme; // "ftps" or "sftp"
};

class EncryptedSessionTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        BuildSmallTree(tree.Path());
        if (Sftp()) {
            sftp = std::make_unique<SftpTestServer>(tree.Path());
            ASSERT_TRUE(sftp->Running()) << sftp->Error();
            WriteFile(keys / "known_hosts", sftp->KnownHostsLine());
            session.Security.KnownHostsFile = keys / "known_hosts";
        } else {
            ftps = std::make_unique<FtpsTestServer>(tree.Path());
            if (!ftps->SkipReason().empty()) GTEST_SKIP() << ftps->SkipReason();
            ASSERT_TRUE(ftps->Running()) << ftps->Error();
            session.Security.CAFile = ftps->CAFile();
        }
        session.Timeouts = {5, 5, 10};
    }
    bool Sftp() const { return std::string(GetParam().Scheme) == "sftp"; }
    int Port() const { return Sftp() ? sftp->Port() : ftps->Port(); }
    std::string User() const { return Sftp() ? kFtpUser : kFtpsUser; }
    FtpServerAddress Address(const std::string& password = kFtpPassword) const {
        return {std::string(GetParam().Scheme) + "://127.0.0.1", Port(), User(), password};
    }
    bool Connect() { return session.OpenSession() && session.OpenConnection(Address()); }
    std::map<std::string, FtpDirEntry> List(const std::string& dir) {
        std::map<std::string, FtpDirEntry> entries;
        EXPECT_TRUE(session.FindFiles(dir, [&](const FtpDirEntry& e) {
            entries[e.Name] = e;
            return true;
        })) << dir;
        return entries;
    }
    bool Download(const std::string& remote, const std::string& local) {
        const auto entry = session.FindFile(remote);
        if (!entry) return false;
        session.ResetTransferCounters();
        return session.FtpDownloadFile(remote, local, *entry, false);
    }

    TempFolder tree, folder, keys;
    std::unique_ptr<FtpsTestServer> ftps;
    std::unique_ptr<SftpTestServer> sftp;
    ThreadHost host;
    FtpSession session{host};
};

TEST_P(EncryptedSessionTest, BrowsesAndDownloadsLikePlainFtp) {
    ASSERT_TRUE(Connect()) << session.LastErrorText();
    EXPECT_EQ(session.Address().Port, Port());
    EXPECT_EQ(session.GetFtpCurrentDirectory(), "/");
    const struct {
        const char* Dir;
        std::vector<std::pair<const char*, long long>> Entries; // size -1: a directory
    } listings[] = {
        {"/", {{"big", -1}, {"logs", -1}, {"readme.txt", 31}}},
        {"/logs/",
         {{"access.log", static_cast<long long>(ServerAccessLog().size())}, {"error log.txt", 47}, {"sub", -1}}},
        {"/logs/sub/", {{"old.log", static_cast<long long>(ServerAccessLog(3).size())}}},
    };
    for (const auto& l : listings) {
        const auto entries = List(l.Dir);
        EXPECT_EQ(entries.size(), l.Entries.size()) << l.Dir;
        for (const auto& [name, size] : l.Entries) {
            ASSERT_TRUE(entries.count(name)) << l.Dir << name;
            EXPECT_EQ(entries.at(name).IsDirectory, size < 0) << name;
            if (size >= 0) {
                EXPECT_EQ(static_cast<long long>(entries.at(name).Size), size) << name;
            }
            EXPECT_FALSE(entries.at(name).Modified.empty()) << name;
        }
    }
    const struct {
        const char* Path;
        const char* Expected;
    } steps[] = {{"logs", "/logs/"}, {"sub/", "/logs/sub/"}, {"..", "/logs/"}, {"/no/such", "/logs/"}, {"/", "/"}};
    for (const auto& s : steps) {
        session.SetFtpCurrentDirectory(s.Path);
        EXPECT_EQ(session.GetFtpCurrentDirectory(), s.Expected) << s.Path;
    }
    EXPECT_FALSE(session.FindFile("/logs/missing.log").has_value());
    EXPECT_FALSE(session.FindFile("/logs/sub").has_value());

    ASSERT_TRUE(Download("/logs/error log.txt", folder / "error log.txt")) << session.LastErrorText();
    EXPECT_EQ(ReadFile(folder / "error log.txt"), "[error] something odd\r\n[error] something else\r\n");
    ASSERT_TRUE(Download("/big/big.bin", folder / "big.bin")) << session.LastErrorText();
    EXPECT_EQ(ReadFile(folder / "big.bin"), ServerPatternBytes(kEncryptedBigSize, 3));
    EXPECT_EQ(host.Received.load(), kEncryptedBigSize);
}

TEST_P(EncryptedSessionTest, CancelFromAnotherThreadLeavesNoPartialFile) {
    ASSERT_TRUE(Connect()) << session.LastErrorText();
    WriteFile(folder / "big.bin", "earlier download");
    std::thread canceller([&] {
        while (host.Received.load() < 64 * 1024 && !host.Cancel) usleep(200);
        host.Cancel = true;
    });
    const bool ok = Download("/big/big.bin", folder / "big.bin");
    host.Cancel = true;
    canceller.join();
    if (ok) GTEST_SKIP() << "the whole file arrived before Cancel was seen";
    EXPECT_EQ(session.LastErrorText(), "Operation cancelled.");
    EXPECT_EQ(ReadFile(folder / "big.bin"), "earlier download");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"big.bin"});
}

TEST_P(EncryptedSessionTest, RefusalsSayWhy) {
    ASSERT_TRUE(session.OpenSession());
    EXPECT_FALSE(session.OpenConnection(Address("wrong")));
    EXPECT_NE(session.LastErrorText().find(Sftp() ? "Login denied" : "530 "), std::string::npos)
        << session.LastErrorText();

    // Nobody to trust: the CA file missing for FTPS, the host key unknown for SFTP.
    session.Security = {};
    session.Security.KnownHostsFile = keys / "empty_known_hosts";
    WriteFile(keys / "empty_known_hosts", "");
    ASSERT_TRUE(session.OpenSession());
    EXPECT_FALSE(session.OpenConnection(Address()));
    EXPECT_FALSE(session.ConnectionOpen());
    if (Sftp()) {
        EXPECT_EQ(session.LastError(), FtpErrorHostKey);
        EXPECT_NE(session.LastErrorText().find("not known: ED25519 key " + sftp->Fingerprint()), std::string::npos)
            << session.LastErrorText() << " / " << sftp->Fingerprint();
        ASSERT_FALSE(sftp->Fingerprint().empty());
        // A different key on record for this host and port: changed, refused.
        WriteFile(keys / "other_known_hosts",
                  "[127.0.0.1]:" + std::to_string(Port()) +
                      " ssh-ed25519 AAAAC3NzaC1lZDI1NTE5AAAAIBgu1zXBgUTc9Hn3BB2aimu/I6BF3qiImsxTGkYBWPfk\n");
        session.Security.KnownHostsFile = keys / "other_known_hosts";
        ASSERT_TRUE(session.OpenSession());
        EXPECT_FALSE(session.OpenConnection(Address()));
        EXPECT_NE(session.LastErrorText().find("host key has changed"), std::string::npos) << session.LastErrorText();
        EXPECT_NE(session.LastErrorText().find(sftp->Fingerprint()), std::string::npos);
    } else {
        EXPECT_EQ(session.LastError(), FtpErrorCertificate);
        EXPECT_EQ(session.LastErrorText().rfind("The server's certificate is not trusted", 0), 0u)
            << session.LastErrorText();
    }
}

TEST_P(EncryptedSessionTest, SilentServerTimesOutAndCancelEndsTheWait) {
    SilentListener silent;
    const FtpServerAddress address{std::string(GetParam().Scheme) + "://127.0.0.1", silent.Port(), User(),
                                   kFtpPassword};
    session.Timeouts = {1, 1, 1};
    ASSERT_TRUE(session.OpenSession());
    EXPECT_FALSE(session.OpenConnection(address));
    EXPECT_EQ(session.LastError(), FtpErrorTimeout);
    EXPECT_EQ(session.LastErrorText(), "The request has timed out. The server did not answer within 1 second.");

    // With the standard timeout, Cancel from another thread ends the wait instead.
    session.Timeouts = {};
    std::thread canceller([&] {
        usleep(300 * 1000);
        host.Cancel = true;
    });
    ASSERT_TRUE(session.OpenSession());
    EXPECT_FALSE(session.OpenConnection(address));
    canceller.join();
    EXPECT_EQ(session.LastErrorText(), "Operation cancelled.");
}

INSTANTIATE_TEST_SUITE_P(Schemes, EncryptedSessionTest, ::testing::Values(Kind{"ftps"}, Kind{"sftp"}),
                         [](const auto& info) { return std::string(info.param.Scheme); });

TEST(FtpsCertificateTest, ASelfSignedCertificateIsRefused) {
    TempFolder tree;
    BuildSmallTree(tree.Path());
    FtpsTestServer server(tree.Path(), true);
    if (!server.SkipReason().empty()) GTEST_SKIP() << server.SkipReason();
    ASSERT_TRUE(server.Running()) << server.Error();
    NullHost host;
    FtpSession session(host);
    session.Timeouts = {5, 5, 5};
    session.Security.CAFile = server.CAFile(); // trusts the test's authority, which did not sign this one
    ASSERT_TRUE(session.OpenSession());
    EXPECT_FALSE(session.OpenConnection({"ftps://127.0.0.1", server.Port(), kFtpsUser, kFtpPassword}));
    EXPECT_EQ(session.LastError(), FtpErrorCertificate);
    EXPECT_NE(session.LastErrorText().find("self-signed"), std::string::npos) << session.LastErrorText();
}

TEST(SftpKeyLoginTest, NoPasswordLogsInWithTheKeyFile) {
    TempFolder tree, keys;
    BuildSmallTree(tree.Path());
    SftpTestServer server(tree.Path(), keys / "id_ed25519");
    ASSERT_TRUE(server.Running()) << server.Error();
    WriteFile(keys / "known_hosts", server.KnownHostsLine());
    NullHost host;
    FtpSession session(host);
    session.Timeouts = {5, 5, 5};
    session.Security.KnownHostsFile = keys / "known_hosts";
    session.Security.KeyFile = keys / "id_ed25519";
    ASSERT_TRUE(session.OpenSession());
    ASSERT_TRUE(session.OpenConnection({"sftp://127.0.0.1", server.Port(), kFtpUser, ""})) << session.LastErrorText();
    const auto entry = session.FindFile("/readme.txt");
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->Size, 31u);
}

TEST(RefusedSizeTest, FilesAreLookedUpInTheirListing) {
    FtpTestServer server(true);
    ASSERT_TRUE(server.Running()) << server.Error();
    TempFolder folder;
    NullHost host;
    FtpSession session(host);
    session.Timeouts = {5, 5, 5};
    ASSERT_TRUE(session.OpenSession());
    ASSERT_TRUE(session.OpenConnection({"127.0.0.1", server.Port(), kFtpUser, kFtpPassword}));
    const struct {
        const char* Path;
        long long Size; // -1: not found
    } cases[] = {
        {"/logs/medium.bin", kMediumSize},
        {"/big/huge.bin", kHugeSize},
        {"/odd/a[1]*?.log", 11},
        {"/readme.txt", 31},
        {"/logs/missing.log", -1},
        {"/logs/sub", -1},
        {"/nowhere/x.log", -1},
    };
    for (const auto& c : cases) {
        const auto entry = session.FindFile(c.Path);
        ASSERT_EQ(entry.has_value(), c.Size >= 0) << c.Path;
        if (!entry) {
            EXPECT_NE(session.LastErrorText(), "Error details not available.") << c.Path;
        }
        if (entry) {
            EXPECT_EQ(static_cast<long long>(entry->Size), c.Size) << c.Path;
        }
    }
    const auto entry = session.FindFile("/logs/access.log");
    ASSERT_TRUE(entry.has_value());
    ASSERT_TRUE(session.FtpDownloadFile("/logs/access.log", folder / "access.log", *entry, false));
    EXPECT_EQ(ReadFile(folder / "access.log"), ServerAccessLog());
}

} // namespace
} // namespace trevix
