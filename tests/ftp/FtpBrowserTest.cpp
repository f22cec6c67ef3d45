#include "FtpTestServer.h"

#include "engine/ProgramOptions.h"
#include "engine/SettingsStore.h"
#include "engine/SiteProfile.h"
#include "ftp/FtpBrowser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

namespace trevix {
namespace {

using namespace trevix::test;

class MapStore : public SettingsStore {
public:
    std::map<std::string, std::string> Values; // "section/key"
    int Writes = 0;
    std::string GetSetting(std::string_view section, std::string_view key, std::string_view def) const override {
        const auto it = Values.find(std::string(section) + "/" + std::string(key));
        return it == Values.end() ? std::string(def) : it->second;
    }
    void SaveSetting(std::string_view section, std::string_view key, std::string_view value) override {
        Values[std::string(section) + "/" + std::string(key)] = value;
        ++Writes;
    }
    void DeleteSetting(std::string_view, std::string_view) override {}
    void DeleteSection(std::string_view) override {}
};

class RecordingEvents : public FtpBrowserEvents {
public:
    std::vector<std::string> Downloaded;
    int Starting = 0, Finished = 0, FileFinished = 0;
    void DownloadStarting() override { ++Starting; }
    void FileDownloadFinished() override { ++FileFinished; }
    void FileDownloaded(const std::string& path) override { Downloaded.push_back(path); }
    void DownloadFinished() override { ++Finished; }
};

SiteProfile Shop() {
    SiteProfile p;
    p.SiteName = "Shop";
    p.FtpAccounts = {{"ftp.example.com", "u1", "p1", "/a/"}, {"other.net", "u2", "p2", "/b/"}};
    p.FTP = 1;
    return p;
}

TEST(FtpAccountsTest, ConnectStoresTheAccountMatchedIgnoringCase) {
    const struct {
        const char* Server;
        int Index;
        size_t Count;
    } cases[] = {
        {"FTP.Example.COM", 0, 2},
        {"ftp.example.com", 0, 2},
        {"other.net", 1, 2},
        {"new.host", 2, 3},
        {"ftp.example.com.", 2, 3}, // not the same text
        {"", 2, 3},
    };
    for (const auto& c : cases) {
        SiteProfile p = Shop();
        const FtpPanelFields fields{c.Server, "user", "pw", "21", "/dir/", ""};
        EXPECT_EQ(FtpBrowser::StoreAccount(p, fields), c.Index) << c.Server;
        EXPECT_EQ(p.FTP, c.Index) << c.Server;
        ASSERT_EQ(p.FtpAccounts.size(), c.Count) << c.Server;
        const FtpAccount& a = p.FtpAccounts[static_cast<size_t>(c.Index)];
        EXPECT_EQ(a.Server, c.Server);
        EXPECT_EQ(a.Username, "user");
        EXPECT_EQ(a.Password, "pw");
        EXPECT_EQ(a.Directory, "/dir/");
    }
}

TEST(FtpAccountsTest, OpeningThePagePreselectsAccountFtp) {
    RecordingHost host;
    ProgramOptions options;
    FtpBrowser browser(host, options, nullptr);
    std::vector<std::string> servers;
    const SiteProfile shop = Shop();
    browser.Fields = {"typed", "x", "y", "", "/z/", ""};
    EXPECT_EQ(browser.OpenFtpPage(&shop, servers), 1);
    EXPECT_EQ(servers, (std::vector<std::string>{"ftp.example.com", "other.net"}));
    EXPECT_EQ(browser.Fields.Server, "other.net");
    EXPECT_EQ(browser.Fields.Username, "u2");
    EXPECT_EQ(browser.Fields.Password, "p2");
    EXPECT_EQ(browser.Fields.Directory, "/b/");

    SiteProfile none;
    none.FTP = 3; // no such account: nothing selected, the boxes stay empty
    browser.Fields = {"typed", "x", "y", "", "/z/", ""};
    EXPECT_EQ(browser.OpenFtpPage(&none, servers), -1);
    EXPECT_TRUE(servers.empty());
    EXPECT_EQ(browser.Fields.Username, "");
    EXPECT_EQ(browser.Fields.Directory, "");
}

class FtpBrowserTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Running()) << server.Error();
        ASSERT_NE(server.Port(), 21);
        profile.SiteName = "Shop";
        browser.Session().Timeouts = {5, 10, 10};
        browser.TodayText = [] { return std::string("06/12/2026"); };
        browser.Fields = {"127.0.0.1", kFtpUser, kFtpPassword, std::to_string(server.Port()), "", folder.Path()};
    }

    bool Connect(const std::string& directory = "") {
        browser.Fields.Directory = directory;
        browser.Connect(&profile);
        return browser.Connected();
    }

    // The list entry of a file in the current listing.
    std::string EntryOf(const std::string& name) const {
        for (const std::string& e : browser.Entries())
            if (ListEntryName(e) == name) return e;
        return name + "\t?";
    }

    FtpTestServer server;
    TempFolder folder;
    RecordingHost host;
    RecordingEvents events;
    ProgramOptions options;
    MapStore store;
    SiteProfile profile;
    FtpBrowser browser{host, options, &store, &events};
};

TEST_F(FtpBrowserTest, ConnectListsTheStartDirectoryAndStoresTheAccount) {
    ASSERT_TRUE(Connect()) << host.Statuses.back();
    EXPECT_TRUE(browser.HandlesOpen());
    EXPECT_EQ(browser.Fields.Directory, "/");
    std::vector<std::string> entries = browser.Entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"big/", "dos/", "empty/", "logs/", "odd/", "readme.txt\t31 bytes"})); // no ".." at "/"
    EXPECT_EQ(host.Statuses.front(), "Connecting to server...");
    EXPECT_TRUE(host.SawStatus("Getting FTP directory contents..."));
    EXPECT_EQ(host.Statuses.back(), "Connected.");
    ASSERT_EQ(profile.FtpAccounts.size(), 1u);
    EXPECT_EQ(profile.FtpAccounts[0].Server, "127.0.0.1");
    EXPECT_EQ(browser.Username(), kFtpUser);
}

TEST_F(FtpBrowserTest, ConnectStartsInTheStoredDirectory) {
    ASSERT_TRUE(Connect("/logs/sub"));
    EXPECT_EQ(browser.Fields.Directory, "/logs/sub/");
    ASSERT_EQ(browser.Entries().size(), 2u);
    EXPECT_EQ(browser.Entries()[0], "..");
    EXPECT_EQ(browser.Entries()[1], "old.log\t" + FormatFileSize(ServerAccessLog(3).size()));
}

TEST_F(FtpBrowserTest, FailedConnectShowsTheErrorAndLeavesEverythingClosed) {
    const struct {
        const char* Password;
        std::string Port;
        const char* Status;
    } cases[] = {
        {"wrong", std::to_string(server.Port()), "530 Authentication failed."},
        {kFtpPassword, "1", "The attempt to connect to the server failed."}, // nothing listens on port 1
    };
    for (const auto& c : cases) {
        browser.Fields.Password = c.Password;
        browser.Fields.Port = c.Port;
        EXPECT_FALSE(Connect());
        EXPECT_EQ(host.Statuses.back(), c.Status);
        EXPECT_FALSE(browser.HandlesOpen());
        EXPECT_TRUE(browser.Entries().empty());
    }
}

TEST_F(FtpBrowserTest, BrowsingFollowsTheServer) {
    ASSERT_TRUE(Connect());
    const std::string oldLog = "old.log\t" + FormatFileSize(ServerAccessLog(3).size());
    const struct {
        const char* Action; // "click:" double-click an entry, "enter:" type a directory
        const char* Dir;
        std::string SomeEntry;
    } steps[] = {
        {"click:logs/", "/logs/", "error log.txt\t47 bytes"},
        {"click:sub/", "/logs/sub/", oldLog},
        {"click:..", "/logs/", "sub/"},
        {"enter:/big", "/big/", "huge.bin\t5.00 GB"},
        {"enter:/no/such/place", "/big/", "big.bin\t50.0 MB"}, // silent, the server stays
        {"enter:../logs/sub", "/logs/sub/", oldLog},
        {"enter:/empty", "/empty/", ".."},
        {"click:..", "/", "readme.txt\t31 bytes"},
    };
    for (const auto& s : steps) {
        const std::string action = s.Action;
        if (action.rfind("click:", 0) == 0)
            EXPECT_EQ(browser.ChangePath(action.substr(6)), FtpEntryAction::ChangedDirectory) << action;
        else
            browser.ChangePath2(action.substr(6));
        EXPECT_EQ(browser.Fields.Directory, s.Dir) << action;
        const auto& e = browser.Entries();
        EXPECT_NE(std::find(e.begin(), e.end(), s.SomeEntry), e.end()) << action << " lacks " << s.SomeEntry;
        EXPECT_EQ(!e.empty() && e.front() == "..", std::string(s.Dir) != "/") << action;
    }
    EXPECT_EQ(browser.Entries().size(), 6u);
    EXPECT_EQ(browser.ChangePath("readme.txt\t31 bytes"), FtpEntryAction::StartDownload);
    EXPECT_EQ(browser.ChangePath(""), FtpEntryAction::None);
    EXPECT_FALSE(IsDownloadableEntry("logs/"));
}

TEST_F(FtpBrowserTest, DownloadsTheSelectionRenamedAndAppliesTheChoice) {
    ASSERT_TRUE(Connect("/logs"));
    options.FTPRename = true;
    const struct {
        const char* Template;
        std::vector<std::string> Names;
        std::vector<std::string> LocalNames;
    } cases[] = {
        {"%s %d %f", {"access.log", "error log.txt"}, {"Shop 06-12-2026 access.log", "Shop 06-12-2026 error log.txt"}},
        {"%s", {"access.log.gz"}, {"Shop.gz"}},
        {"%x%f", {"access.log"}, {"access.log"}},
    };
    for (const auto& c : cases) {
        options.RenameTemplate = c.Template;
        events.Downloaded.clear();
        std::vector<std::string> selection;
        for (const std::string& name : c.Names) selection.push_back(EntryOf(name));
        const DownloadOutcome outcome = browser.Download(&profile, selection, AfterDownloadChoice::ReturnToLogFiles);
        EXPECT_TRUE(outcome.Succeeded) << c.Template << " " << outcome.Detail;
        ASSERT_EQ(outcome.DownloadedFiles.size(), c.LocalNames.size());
        for (size_t i = 0; i < c.LocalNames.size(); ++i)
            EXPECT_EQ(outcome.DownloadedFiles[i], folder / c.LocalNames[i]);
        EXPECT_EQ(events.Downloaded, outcome.DownloadedFiles);
        EXPECT_EQ(browser.DownloadedFile(), outcome.DownloadedFiles.back());
        EXPECT_EQ(outcome.Applied, AfterDownloadChoice::ReturnToLogFiles);
    }
    EXPECT_EQ(ReadFile(folder / "Shop 06-12-2026 access.log"), ServerAccessLog());
    EXPECT_EQ(ReadFile(folder / "access.log"), ServerAccessLog());
    EXPECT_EQ(ReadFile(folder / "Shop 06-12-2026 error log.txt").size(), 47u);
    EXPECT_TRUE(host.SawStatus("Downloading file 1 of 2: access.log ..."));
    EXPECT_TRUE(host.SawStatus("Downloading file 2 of 2: error log.txt ..."));
    EXPECT_TRUE(host.SawStatus("Transfer completed successfully."));
    EXPECT_EQ(host.Statuses.back(), "");
    EXPECT_EQ(options.AfterDownload, 3);
    EXPECT_EQ(store.Values["Options/AfterDownload"], " 3");
    EXPECT_TRUE(browser.HandlesOpen()); // "go back" keeps the connection
    EXPECT_EQ(profile.FtpAccounts[0].Directory, "/logs/"); // the next visit starts here
    EXPECT_EQ(events.Starting, 3);
    EXPECT_EQ(events.Finished, 3);
}

TEST_F(FtpBrowserTest, ProcessFilesClosesTheConnection) {
    ASSERT_TRUE(Connect());
    const auto outcome = browser.Download(&profile, {"readme.txt\t31 bytes"}, AfterDownloadChoice::ProcessFiles);
    EXPECT_TRUE(outcome.Succeeded);
    EXPECT_EQ(store.Values["Options/AfterDownload"], " 2");
    EXPECT_FALSE(browser.HandlesOpen());
    EXPECT_TRUE(browser.Entries().empty());
    EXPECT_EQ(ReadFile(folder / "readme.txt"), "Test server for log downloads.\n");
}

TEST_F(FtpBrowserTest, TheLoopStopsAtTheFirstFailureAndKeepsEarlierFiles) {
    ASSERT_TRUE(Connect("/logs"));
    options.AfterDownload = 1;
    const struct {
        const char* Failing;
        DownloadOutcome::Failure Reason;
        bool TransferFailedShown;
    } cases[] = {
        {"missing.log", DownloadOutcome::Failure::NotFound, false},
        {"locked.log", DownloadOutcome::Failure::TransferFailed, true},
    };
    for (const auto& c : cases) {
        TempFolder target;
        browser.Fields.DownloadFolder = target.Path();
        host.Statuses.clear();
        events.Downloaded.clear();
        const auto outcome = browser.Download(&profile, {EntryOf("access.log"), c.Failing, EntryOf("error log.txt")},
                                              AfterDownloadChoice::ProcessFiles);
        EXPECT_FALSE(outcome.Succeeded);
        EXPECT_EQ(outcome.Reason, c.Reason) << c.Failing;
        EXPECT_EQ(outcome.FailedName, c.Failing);
        EXPECT_EQ(outcome.DownloadedFiles, std::vector<std::string>{target / "access.log"});
        EXPECT_EQ(events.Downloaded, outcome.DownloadedFiles);
        EXPECT_EQ(FolderNames(target.Path()), std::vector<std::string>{"access.log"}); // the third never started
        EXPECT_EQ(host.SawStatus("Transfer failed."), c.TransferFailedShown) << c.Failing;
        EXPECT_EQ(host.Statuses.back() == "Transfer failed.", c.TransferFailedShown);
        EXPECT_FALSE(host.SawStatus("Downloading file 3 of 3: error log.txt ..."));
        EXPECT_FALSE(outcome.Applied.has_value());
        EXPECT_EQ(options.AfterDownload, 1);
        EXPECT_EQ(store.Values["Options/AfterDownload"], " 1"); // written even so
        EXPECT_TRUE(browser.HandlesOpen());
    }
    browser.Fields.DownloadFolder = folder.Path();
    EXPECT_EQ(browser.Download(&profile, {EntryOf("locked.log")}, AfterDownloadChoice::DoNothing).Detail.substr(0, 4),
              "550 ");
}

TEST_F(FtpBrowserTest, NamesThatWouldLeaveTheFolderAreRefused) {
    ASSERT_TRUE(Connect("/logs"));
    const struct {
        const char* Entry;
        bool Rename;
        const char* Template;
    } cases[] = {
        {"../escape.log\t1 bytes", false, ""},
        {"..\\escape.log\t1 bytes", false, ""},
        {"sub/../../x\t1 bytes", false, ""},
        {"/etc/passwd\t1 bytes", false, ""},
        {"..", false, ""},
        {"sub/", false, ""},
        {"access.log\t45.8 KB", true, ".."},    // a template that names no file
        {"access.log\t45.8 KB", true, "%x"},
    };
    for (const auto& c : cases) {
        options.FTPRename = c.Rename;
        options.RenameTemplate = c.Template;
        host.Statuses.clear();
        const auto outcome = browser.Download(&profile, {c.Entry}, AfterDownloadChoice::DoNothing);
        EXPECT_EQ(outcome.Reason, DownloadOutcome::Failure::RefusedName) << c.Entry;
        EXPECT_NE(host.Statuses.back().find("Not downloaded:"), std::string::npos) << host.Statuses.back();
        EXPECT_TRUE(FolderNames(folder.Path()).empty()) << c.Entry;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder.Path()).parent_path() / "escape.log"));
    }
}

TEST_F(FtpBrowserTest, NoSelectionDoesNothingAtAll) {
    ASSERT_TRUE(Connect());
    host.Statuses.clear();
    const auto outcome = browser.Download(&profile, {}, AfterDownloadChoice::ProcessFiles);
    EXPECT_FALSE(outcome.HadSelection);
    EXPECT_TRUE(host.Statuses.empty());
    EXPECT_EQ(store.Writes, 0);
    EXPECT_EQ(events.Starting, 0);
    EXPECT_TRUE(browser.HandlesOpen());
}

// A folder typed in the box is made one level deep; the options' download folder with its
// parents (a new account has no documents folder). A folder that cannot be used is named
// with the reason, before any transfer.
TEST_F(FtpBrowserTest, TheDownloadFolderIsCreatedWhenMissing) {
    ASSERT_TRUE(Connect());
    WriteFile(folder / "a-file", "not a folder");
    options.DefaultDownloadFolder = folder / "home/Documents/Downloaded Log Files";
    const struct {
        std::string Folder;
        DownloadOutcome::Failure Reason;
        const char* Status;   // the last status, when the download failed
    } cases[] = {
        {folder / "new", DownloadOutcome::Failure::None, ""},
        {options.DefaultDownloadFolder, DownloadOutcome::Failure::None, ""},
        {folder / "two/levels", DownloadOutcome::Failure::FolderUnusable,
         "Cannot save downloads in {}: No such file or directory."},
        {folder / "a-file/logs", DownloadOutcome::Failure::FolderUnusable,
         "Cannot save downloads in {}: Not a directory."},
    };
    for (const auto& c : cases) {
        host.Statuses.clear();
        browser.Fields.DownloadFolder = c.Folder;
        const auto outcome = browser.Download(&profile, {"readme.txt\t31 bytes"}, AfterDownloadChoice::DoNothing);
        EXPECT_EQ(outcome.Reason, c.Reason) << c.Folder;
        if (c.Reason == DownloadOutcome::Failure::None) {
            EXPECT_EQ(ReadFile(c.Folder + "/readme.txt"), "Test server for log downloads.\n");
            continue;
        }
        std::string status = c.Status;
        status.replace(status.find("{}"), 2, c.Folder);
        EXPECT_TRUE(host.SawStatus(status)) << status;
        EXPECT_FALSE(host.SawStatus("Transfer failed."));
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "two"));
}

TEST_F(FtpBrowserTest, ClosingThePanelDuringADownloadStopsTheLoop) {
    ASSERT_TRUE(Connect("/big"));
    WriteFile(folder / "big.bin", "kept");
    host.OnEvents = [&] {
        if (browser.Session().BytesReceived() > 1024 * 1024 && browser.Connected()) browser.CloseConnection(false);
    };
    const auto outcome = browser.Download(&profile, {EntryOf("big.bin"), EntryOf("huge.bin")},
                                          AfterDownloadChoice::DoNothing);
    EXPECT_EQ(outcome.Reason, DownloadOutcome::Failure::TransferFailed);
    EXPECT_EQ(outcome.FailedName, "big.bin");
    EXPECT_EQ(outcome.Detail, "Operation cancelled.");
    EXPECT_FALSE(browser.HandlesOpen());
    EXPECT_EQ(ReadFile(folder / "big.bin"), "kept");
    EXPECT_EQ(FolderNames(folder.Path()), std::vector<std::string>{"big.bin"});
}

} // namespace
} // namespace trevix

namespace trevix {
namespace {

using namespace trevix::test;

TEST(FtpRememberPasswordTest, AnUntickedBoxKeepsThePasswordOutOfTheAccount) {
    const struct {
        bool Remember;
        const char* Stored;
    } cases[] = {{true, "pw"}, {false, ""}};
    for (const auto& c : cases) {
        SiteProfile p = Shop();
        FtpPanelFields fields{"other.net", "user", "pw", "", "/dir/", ""};
        fields.RememberPassword = c.Remember;
        EXPECT_EQ(FtpBrowser::StoreAccount(p, fields), 1);
        EXPECT_EQ(p.FtpAccounts[1].Password, c.Stored);
        EXPECT_EQ(p.FtpAccounts[1].Username, "user");
    }
}

TEST_F(FtpBrowserTest, AnExistingLocalFileIsReplacedKeptBesideOrSkippedAsAnswered) {
    ASSERT_TRUE(Connect("/logs"));
    const struct {
        FileExistsChoice Answer;
        std::vector<std::string> Downloaded; // local names
        std::vector<std::string> Folder;
        bool OldKept;
    } cases[] = {
        {FileExistsChoice::Replace, {"access.log", "old.log"}, {"access.log", "old.log"}, false},
        {FileExistsChoice::KeepBoth, {"access (3).log", "old.log"}, {"access (2).log", "access (3).log", "access.log", "old.log"}, true},
        {FileExistsChoice::Skip, {"old.log"}, {"access (2).log", "access.log", "old.log"}, true},
    };
    for (const auto& c : cases) {
        TempFolder target;
        browser.Fields.DownloadFolder = target.Path();
        WriteFile(target / "access.log", "yesterday");
        if (c.Answer != FileExistsChoice::Replace) WriteFile(target / "access (2).log", "the day before");
        std::vector<std::string> asked;
        browser.OnFileExists = [&](const std::string& path) {
            asked.push_back(path);
            return c.Answer;
        };
        browser.ChangePath2("/logs");
        const auto outcome = browser.Download(&profile, {EntryOf("access.log")}, AfterDownloadChoice::DoNothing);
        browser.ChangePath2("/logs/sub");
        const auto second = browser.Download(&profile, {EntryOf("old.log")}, AfterDownloadChoice::DoNothing);
        EXPECT_TRUE(outcome.Succeeded && second.Succeeded);
        EXPECT_EQ(asked, std::vector<std::string>{target / "access.log"}); // only the name that exists
        std::vector<std::string> downloaded = outcome.DownloadedFiles;
        downloaded.insert(downloaded.end(), second.DownloadedFiles.begin(), second.DownloadedFiles.end());
        std::vector<std::string> expected;
        for (const auto& name : c.Downloaded) expected.push_back(target / name);
        EXPECT_EQ(downloaded, expected);
        EXPECT_EQ(FolderNames(target.Path()), c.Folder);
        EXPECT_EQ(ReadFile(target / "access.log") == "yesterday", c.OldKept);
        EXPECT_EQ(outcome.SkippedFiles.size(), c.Answer == FileExistsChoice::Skip ? 1u : 0u);
    }
}

TEST(FtpRefusedSizeBrowserTest, DownloadsFromAServerThatRefusesSize) {
    FtpTestServer server(true);
    ASSERT_TRUE(server.Running()) << server.Error();
    TempFolder folder;
    RecordingHost host;
    ProgramOptions options;
    FtpBrowser browser(host, options, nullptr);
    browser.Fields = {"127.0.0.1", kFtpUser, kFtpPassword, std::to_string(server.Port()), "/logs", folder.Path()};
    browser.Connect(nullptr);
    ASSERT_TRUE(browser.Connected());
    const auto outcome = browser.Download(nullptr, {"access.log", "error log.txt"}, AfterDownloadChoice::DoNothing);
    EXPECT_TRUE(outcome.Succeeded) << outcome.Detail;
    EXPECT_EQ(ReadFile(folder / "access.log"), ServerAccessLog());
    EXPECT_EQ(ReadFile(folder / "error log.txt").size(), 47u);
    EXPECT_EQ(host.ProgressMaximums.back(), 47); // the size came from the listing
}

} // namespace
} // namespace trevix
