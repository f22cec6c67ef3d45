#include "FtpBrowser.h"

#include "FtpText.h"

#include "engine/base/Locale.h"
#include "engine/ProgramOptions.h"
#include "engine/read/FileNameTemplate.h"
#include "engine/RunHost.h"
#include "engine/SettingsStore.h"
#include "engine/SiteProfile.h"

#include "engine/base/TerminalText.h"
#include "engine/base/Text.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <unistd.h>

namespace trevix {

namespace {

// One leading blank where a minus sign would go, as the settings store keeps numbers.
std::string PaddedNumber(long long value) {
    std::string text = std::to_string(value);
    if (value >= 0) text.insert(text.begin(), ' ');
    return text;
}

// Commands do not nest: a button pressed while events are processed inside one is ignored,
// except closing, which the session handles at any time.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyScope() { flag_ = false; }

private:
    bool& flag_;
};

// Makes the folder when missing; what keeps a file from being written there, or empty.
std::string PrepareDownloadFolder(const std::string& folder, bool withParents) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) {
        if (withParents)
            std::filesystem::create_directories(folder, ec);
        else
            std::filesystem::create_directory(folder, ec);
        if (ec) return ec.message();
        if (!std::filesystem::is_directory(folder, ec)) return std::strerror(ENOTDIR);
    }
    if (::access(folder.c_str(), W_OK) != 0) return std::strerror(errno);
    return {};
}

} // namespace

FtpBrowser::FtpBrowser(RunHost& host, ProgramOptions& options, SettingsStore* store, FtpBrowserEvents* events)
    : TodayText([] { return TodayShortDate(Locale::Fixed()); }), host_(host), options_(options), store_(store),
      events_(events ? events : &noEvents_), session_(host) {}

int FtpBrowser::OpenFtpPage(const SiteProfile* profile, std::vector<std::string>& servers) {
    Fields.Username.clear();
    Fields.Password.clear();
    Fields.Directory.clear();
    servers.clear();
    if (!profile) return -1;
    for (const FtpAccount& account : profile->FtpAccounts) servers.push_back(account.Server);
    const int index = profile->FTP;
    if (index < 0 || index >= profile->NumberFTP()) return -1; // no such account: nothing selected
    SelectAccount(*profile, index);
    return index;
}

void FtpBrowser::SelectAccount(const SiteProfile& profile, int index) {
    if (index < 0 || index >= profile.NumberFTP()) return;
    const FtpAccount& account = profile.FtpAccounts[static_cast<size_t>(index)];
    Fields.Server = account.Server;
    Fields.Username = account.Username;
    Fields.Password = account.Password;
    Fields.Directory = account.Directory;
}

int FtpBrowser::StoreAccount(SiteProfile& profile, const FtpPanelFields& fields) {
    size_t index = 0;
    while (index < profile.FtpAccounts.size() && !EqualsIgnoringCase(profile.FtpAccounts[index].Server, fields.Server))
        ++index;
    if (index == profile.FtpAccounts.size()) profile.FtpAccounts.emplace_back();
    profile.FTP = static_cast<int16_t>(index);
    FtpAccount& account = profile.FtpAccounts[index];
    account.Server = fields.Server;
    account.Username = fields.Username;
    account.Password = fields.RememberPassword ? fields.Password : std::string();
    account.Directory = fields.Directory;
    return static_cast<int>(index);
}

void FtpBrowser::Connect(SiteProfile* profile) {
    if (Busy()) return;
    if (profile) StoreAccount(*profile, Fields);
    username_ = Fields.Username;
    password_ = Fields.Password;
    ConnectToServer();
}

bool FtpBrowser::ConnectToServer() {
    if (Busy()) return false;
    if (HandlesOpen()) CloseConnection(true);
    host_.ResetCancel();
    const FtpServerAddress address{Fields.Server, ParseFtpPort(Fields.Port, 0), username_, password_};
    session_.Security.CAFile = options_.FTPCAFile;
    session_.Security.KnownHostsFile = KnownHostsFile;
    const std::string directory = Fields.Directory;
    host_.SetStatus("Connecting to server...");
    host_.ProcessEvents();
    bool ok = false;
    {
        BusyScope busy(busy_);
        ok = session_.OpenSession() && session_.OpenConnection(address);
    }
    if (ok) {
        connected_ = true;
        if (!directory.empty()) {
            ChangePath2(directory);
        } else {
            Fields.Directory = session_.GetFtpCurrentDirectory();
            ListFtpDirectory();
        }
        if (connected_) host_.SetStatus("Connected."); // unless closed while listing
    } else {
        host_.SetStatus(session_.LastErrorText());
        CloseConnection(true); // keeps the error text in the status bar
    }
    events_->ConnectionChanged();
    return ok;
}

void FtpBrowser::CloseConnection(bool dontClearStatus) {
    connected_ = false;
    session_.Close();
    if (!dontClearStatus) host_.SetStatus("");
    ClearEntries();
    events_->ListChanged();
    events_->ConnectionChanged();
}

FtpEntryAction FtpBrowser::ChangePath(std::string_view entryText) {
    if (Busy() || entryText.empty()) return FtpEntryAction::None;
    if (entryText.back() != '/' && entryText != "..") return FtpEntryAction::StartDownload;
    if (!connected_) return FtpEntryAction::None;
    {
        BusyScope busy(busy_);
        host_.ResetCancel();
        session_.SetFtpCurrentDirectory(session_.GetFtpCurrentDirectory() + std::string(entryText));
        Fields.Directory = session_.GetFtpCurrentDirectory();
    }
    ListFtpDirectory();
    return FtpEntryAction::ChangedDirectory;
}

void FtpBrowser::ChangePath2(std::string_view directory) {
    if (Busy() || !connected_) return;
    {
        BusyScope busy(busy_);
        host_.ResetCancel();
        session_.SetFtpCurrentDirectory(directory);
        Fields.Directory = session_.GetFtpCurrentDirectory();
    }
    ListFtpDirectory();
}

void FtpBrowser::ListFtpDirectory() {
    if (Busy()) return;
    BusyScope busy(busy_);
    host_.ResetCancel();
    ClearEntries();
    events_->ListChanged();
    const std::string dir = session_.GetFtpCurrentDirectory();
    if (dir.empty()) return; // not connected
    if (dir != "/") {
        entries_.push_back("..");
        records_.push_back({"..", true, 0, {}});
        rawNames_.push_back("..");
    }
    host_.SetStatus("Getting FTP directory contents...");
    events_->ListChanged();
    // A failed listing is silent: the list keeps what arrived, at most "..".
    const bool listed = session_.FindFiles(dir, [&](const FtpDirEntry& entry) {
        if (!session_.ConnectionOpen()) return false; // closed meanwhile: the list stays empty
        FtpDirEntry shown = entry;
        shown.Name = ServerText(entry.Name);
        shown.Modified = ServerText(entry.Modified);
        entries_.push_back(FtpListText(shown));
        records_.push_back(std::move(shown));
        rawNames_.push_back(entry.Name);
        events_->ListChanged();
        return true;
    });
    if (!session_.ConnectionOpen()) ClearEntries();
    // Except one that never ends: that is cut off, and the user is told why the list stops.
    host_.SetStatus(!listed && session_.ReplyTooLarge() ? session_.LastErrorText() : std::string());
}

void FtpBrowser::ClearEntries() {
    entries_.clear();
    records_.clear();
    rawNames_.clear();
}

std::string FtpBrowser::RemoteNameFor(const std::string& shownName) const {
    for (size_t i = 0; i < entries_.size() && i < rawNames_.size(); ++i)
        if (ListEntryName(entries_[i]) == shownName && !records_[i].IsDirectory) return rawNames_[i];
    return shownName;
}

void FtpBrowser::FloodShowTransferResult(bool success, std::string_view) {
    host_.SetStatus(success ? "Transfer completed successfully." : "Transfer failed.");
}

std::string FtpBrowser::LocalNameFor(const std::string& remoteName, const SiteProfile* profile) const {
    if (!options_.FTPRename) return remoteName;
    return RenameFile(remoteName, "", options_.RenameTemplate, profile ? profile->SiteName : std::string(),
                      TodayText ? TodayText() : std::string());
}

void FtpBrowser::SaveAfterDownload() {
    if (store_) store_->SaveSetting("Options", "AfterDownload", PaddedNumber(options_.AfterDownload));
}

DownloadOutcome FtpBrowser::Download(SiteProfile* profile, const std::vector<std::string>& selectedEntries,
                                     AfterDownloadChoice choice) {
    DownloadOutcome outcome;
    if (Busy()) return outcome;

    // The next visit starts in this directory.
    if (profile && profile->FTP >= 0 && profile->FTP < profile->NumberFTP())
        profile->FtpAccounts[static_cast<size_t>(profile->FTP)].Directory = Fields.Directory;

    // The list shows names escaped; the server is asked for the name it sent.
    std::vector<std::string> names;
    for (const std::string& entry : selectedEntries) names.push_back(RemoteNameFor(ListEntryName(entry)));
    if (names.empty()) return outcome; // nothing selected: nothing at all happens
    outcome.HadSelection = true;

    {
        BusyScope busy(busy_);
        events_->DownloadStarting();
        host_.ResetCancel();
        host_.SetStatus("Starting download...");
        host_.ProcessEvents();

        const std::string folder = Fields.DownloadFolder;
        std::error_code ec;
        // The download folder of the options is made with its parents (a new account may have
        // no documents folder yet); another folder typed in the box, one level only.
        const std::string folderProblem =
            folder.empty() ? std::string() : PrepareDownloadFolder(folder, folder == options_.DefaultDownloadFolder);

        bool lastSucceeded = false;
        const size_t n = names.size();
        for (size_t k = 1; k <= n; ++k) {
            const std::string& name = names[k - 1];
            session_.ResetTransferCounters();
            host_.SetStatus("Downloading file " + std::to_string(k) + " of " + std::to_string(n) + ": " +
                            ServerText(name) + " ...");
            lastSucceeded = false;
            outcome.FailedName = name;

            if (folder.empty()) {
                outcome.Reason = DownloadOutcome::Failure::NoFolder;
                host_.SetStatus("No download folder is set.");
            } else if (!folderProblem.empty()) {
                outcome.Reason = DownloadOutcome::Failure::FolderUnusable;
                outcome.Detail = folderProblem;
                host_.SetStatus("Cannot save downloads in " + folder + ": " + folderProblem + ".");
            } else if (!IsPlainFileName(name)) {
                // A name from the server never decides where a file lands.
                outcome.Reason = DownloadOutcome::Failure::RefusedName;
                host_.SetStatus("Not downloaded: \"" + ServerText(name) + "\" is not a plain file name.");
            } else if (!session_.ConnectionOpen()) {
                outcome.Reason = DownloadOutcome::Failure::NotConnected;
            } else {
                const std::string remote = session_.GetFtpCurrentDirectory() + name;
                std::string localName = LocalNameFor(name, profile);
                std::string localPath = EnsureTrailingPathSeparator(folder) + localName;
                bool skip = false;
                // Whether a file may be replaced: only when one is there and the user said so.
                bool replace = false;
                const auto present = [](const std::string& path) {
                    std::error_code error; // a path that cannot be looked at counts as taken
                    return std::filesystem::symlink_status(path, error).type() != std::filesystem::file_type::not_found;
                };
                const std::string problem = IsPlainFileName(localName) ? DownloadTargetProblem(localPath) : "";
                if (problem.empty() && IsPlainFileName(localName) && present(localPath) && OnFileExists) {
                    // Yesterday's file of the same name is often still there: never replace it unasked.
                    switch (OnFileExists(localPath)) {
                    case FileExistsChoice::Replace: replace = true; break;
                    case FileExistsChoice::Skip: skip = true; break;
                    case FileExistsChoice::KeepBoth:
                        for (int number = 2;; ++number) {
                            localPath = EnsureTrailingPathSeparator(folder) + NumberedName(localName, number);
                            if (!present(localPath)) break;
                        }
                        break;
                    }
                } else if (problem.empty() && present(localPath)) {
                    replace = true; // nobody to ask: as before, the new file replaces the old
                }
                if (skip) {
                    outcome.SkippedFiles.push_back(name);
                    lastSucceeded = true;
                    events_->FileDownloadFinished();
                    continue;
                }
                if (!IsPlainFileName(localName)) {
                    outcome.Reason = DownloadOutcome::Failure::RefusedName;
                    host_.SetStatus("Not downloaded: the rename template gives no usable file name for \"" +
                                    ServerText(name) + "\".");
                } else if (!problem.empty()) {
                    // A link or pipe put where the download goes is never followed.
                    outcome.Reason = DownloadOutcome::Failure::RefusedName;
                    host_.SetStatus(NotReplacedText(localPath, problem));
                } else if (const auto entry = session_.FindFile(remote)) {
                    lastSucceeded = session_.FtpDownloadFile(remote, localPath, *entry, !replace);
                    if (!lastSucceeded) {
                        outcome.Reason = DownloadOutcome::Failure::TransferFailed;
                        outcome.Detail = session_.LastErrorText();
                    }
                    FloodShowTransferResult(lastSucceeded, localPath);
                    if (lastSucceeded) {
                        downloadedFile_ = localPath;
                        outcome.DownloadedFiles.push_back(localPath);
                    }
                } else {
                    // Could not be looked up: no transfer was tried, so nothing is reported.
                    outcome.Reason = DownloadOutcome::Failure::NotFound;
                    outcome.Detail = session_.LastErrorText();
                }
            }
            events_->FileDownloadFinished();
            if (!lastSucceeded) break;
            events_->FileDownloaded(downloadedFile_);
        }

        if (lastSucceeded) {
            outcome.Succeeded = true;
            outcome.Reason = DownloadOutcome::Failure::None;
            outcome.FailedName.clear();
            outcome.Applied = choice;
            options_.AfterDownload = static_cast<int16_t>(choice);
        }
    }
    if (outcome.Applied == AfterDownloadChoice::ProcessFiles) CloseConnection(false); // as the Close button
    SaveAfterDownload();

    // The failure stays readable in the status bar; a success leaves it clear.
    if (outcome.Succeeded) host_.SetStatus("");
    host_.ShowProgress(false);
    events_->DownloadFinished();
    return outcome;
}

} // namespace trevix
