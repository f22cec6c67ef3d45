#pragma once
// The FTP browser without its widgets: the panel's boxes as plain fields, the accounts of
// the selected site, connecting, browsing and the download command with its renaming and
// after-download choice. The front end shows Fields and Entries() and calls these commands;
// what it must do around them (button captions, the log file list, the task pane) it learns
// through FtpBrowserEvents.
#include "FtpSession.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

class RunHost;
class SettingsStore;
struct ProgramOptions;
struct SiteProfile;

// What follows a completed download; the numbers are the stored AfterDownload values.
enum class AfterDownloadChoice : int16_t { DoNothing = 1, ProcessFiles = 2, ReturnToLogFiles = 3 };

class FtpBrowserEvents {
public:
    virtual ~FtpBrowserEvents() = default;
    // The file list (Entries()) changed; during a listing once per entry.
    virtual void ListChanged() {}
    // The connection opened or closed: "connect", "refresh" and "Download" follow HandlesOpen().
    virtual void ConnectionChanged() {}
    // A download command with a selection starts: the report is no longer out of date
    // (ShowUpdate), the button reads "Downloading..." and is disabled, Cancel is shown.
    virtual void DownloadStarting() {}
    // One file of the command is over, downloaded or not: hide the progress bar, restore
    // the window caption.
    virtual void FileDownloadFinished() {}
    // A file arrived: add it to the log files, mark the report out of date, task pane level 3,
    // enable the panel's forward arrow.
    virtual void FileDownloaded(const std::string& /*localPath*/) {}
    // The command is over: hide Cancel, restore the button's caption (it stays disabled).
    virtual void DownloadFinished() {}
};

// The boxes of the FTP panel.
struct FtpPanelFields {
    std::string Server;         // txtServer
    std::string Username;       // txtUsername
    std::string Password;       // txtPassword
    std::string Port;           // txtPort: empty or 0 means 21 (22 for sftp://)
    std::string Directory;      // Text1: the current remote directory
    std::string DownloadFolder; // txtDownloadFolder
    bool RememberPassword = true; // unticked: the stored account keeps an empty password
};

// What to do when the local name of a download already exists in the folder.
enum class FileExistsChoice { Replace, KeepBoth, Skip };

// What double-clicking an entry leads to.
enum class FtpEntryAction { None, ChangedDirectory, StartDownload };

struct DownloadOutcome {
    enum class Failure { None, NoFolder, FolderUnusable, NotConnected, RefusedName, NotFound, TransferFailed };
    bool HadSelection = false;
    bool Succeeded = false;                  // no file failed (skipped ones do not fail)
    std::vector<std::string> SkippedFiles;   // remote names the user chose not to replace
    std::vector<std::string> DownloadedFiles; // local paths, in order
    Failure Reason = Failure::None;
    std::string FailedName;                  // the entry that stopped the loop
    std::string Detail;                      // the error text behind a failure, when there is one
    std::optional<AfterDownloadChoice> Applied;
};

class FtpBrowser {
public:
    FtpBrowser(RunHost& host, ProgramOptions& options, SettingsStore* store, FtpBrowserEvents* events = nullptr);

    FtpPanelFields Fields;
    // The date "%d" stands for when downloads are renamed; by default today in the fixed locale.
    std::function<std::string()> TodayText;
    // Asked when the local file already exists (its full path); unset means Replace.
    std::function<FileExistsChoice(const std::string& localPath)> OnFileExists;
    // The SFTP known-hosts file; empty means ~/.ssh/known_hosts. FTPS trusts options' FTPCAFile.
    std::string KnownHostsFile;

    // Opening the FTP page: empties user name, password and directory, returns the servers of
    // the profile's accounts in order (the combo box) and selects account FTP when it exists.
    // Returns the selected position, or -1.
    int OpenFtpPage(const SiteProfile* profile, std::vector<std::string>& servers);
    // Choosing an account fills server, user name, password and directory from it.
    void SelectAccount(const SiteProfile& profile, int index);
    // The account matching of "connect": the first account whose server equals the box
    // ignoring letter case, else a new one at the end. FTP becomes its position; the four
    // boxes are stored in it. Returns that position.
    static int StoreAccount(SiteProfile& profile, const FtpPanelFields& fields);

    // The "connect" button: store the account (when a site is selected), then ConnectToServer.
    void Connect(SiteProfile* profile);
    bool ConnectToServer();
    void CloseConnection(bool dontClearStatus);
    // Double-click on an entry.
    FtpEntryAction ChangePath(std::string_view entryText);
    // Enter in the directory box, while connected.
    void ChangePath2(std::string_view directory);
    // "refresh", and the listing after every change.
    void ListFtpDirectory();

    // The "Download" command for the selected entries (their list texts, in list order).
    DownloadOutcome Download(SiteProfile* profile, const std::vector<std::string>& selectedEntries,
                             AfterDownloadChoice choice);
    // The status of one finished transfer.
    void FloodShowTransferResult(bool success, std::string_view file);

    const std::vector<std::string>& Entries() const { return entries_; }
    // The same entries as records, for a view with columns (".." is a directory named "..").
    // Names and times are shown as ServerText gives them: a control character in a name is
    // an escape ("a\nb.log"), and such a file cannot be downloaded.
    const std::vector<FtpDirEntry>& EntryRecords() const { return records_; }
    bool Connected() const { return connected_; }
    // Some handle is open: "connect" is disabled, "refresh" and "Download" are enabled.
    bool HandlesOpen() const { return session_.SessionOpen() || session_.ConnectionOpen(); }
    bool Busy() const { return busy_ || session_.Busy(); }
    const std::string& DownloadedFile() const { return downloadedFile_; }
    // Copies of the boxes taken when the user connects.
    const std::string& Username() const { return username_; }
    const std::string& Password() const { return password_; }
    FtpSession& Session() { return session_; }

private:
    std::string LocalNameFor(const std::string& remoteName, const SiteProfile* profile) const;
    void ClearEntries();
    // The name the server sent for an entry shown as shownName (shownName itself when none is).
    std::string RemoteNameFor(const std::string& shownName) const;
    void SaveAfterDownload();

    RunHost& host_;
    ProgramOptions& options_;
    SettingsStore* store_;
    FtpBrowserEvents* events_;
    FtpBrowserEvents noEvents_;
    FtpSession session_;
    bool connected_ = false;
    bool busy_ = false;
    std::vector<std::string> entries_;
    std::vector<FtpDirEntry> records_;
    std::vector<std::string> rawNames_; // the names as the server sent them, beside the shown ones
    std::string downloadedFile_;
    std::string username_;
    std::string password_;
};

} // namespace trevix
