#pragma once
// The FTP browser on a thread of its own, so connects, listings and downloads never hold up
// the window. The panel sends commands (queued onto the worker's thread) and hears back
// through signals; Cancel is an atomic flag the session looks at every 50 ms.
#include "common/QtText.h"
#include "engine/ProgramOptions.h"
#include "engine/RunHost.h"
#include "engine/SiteProfile.h"
#include "ftp/FtpBrowser.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>

namespace trevix::ui {

// One row of the file list.
struct FtpListRow {
    QString EntryText; // as the browser knows it: "name/", "name\tsize" or ".."
    QString Name;
    bool IsDirectory = false;
    qint64 Size = 0;
    QString SizeText;
    QString Modified;
};

// What the panel shows after each command.
struct FtpSnapshot {
    bool Connected = false;
    bool HandlesOpen = false;
    QString Directory;
    QList<FtpListRow> Rows;
};

// The front end of the worker's browser: texts and progress go out as signals, Cancel comes
// in through an atomic number: every command sent up to it is cancelled, so a Cancel pressed
// before a queued command starts still reaches it, and a later command is not affected.
class FtpWorkerHost : public QObject, public RunHost {
    Q_OBJECT
public:
    std::atomic<quint64> CancelledUpTo{0}; // written by the panel
    quint64 Current = 0;                   // the running command's number (worker thread)

    void SetStatus(std::string_view text) override { emit statusChanged(QString::fromUtf8(text.data(), static_cast<int>(text.size()))); }
    void ShowProgress(bool visible) override { emit progressVisible(visible); }
    void SetProgress(long long value, long long maximum) override;
    void ProcessEvents() override {}
    bool IsCancelled() override { return CancelledUpTo.load() >= Current; }
    void ResetCancel() override {} // see CancelledUpTo
    void ShowMessage(MessageIcon, std::string_view, std::string_view) override {}
    bool AskYesNo(std::string_view, std::string_view) override { return false; }

signals:
    void statusChanged(const QString& text);
    void progressVisible(bool visible);
    void progressChanged(qint64 value, qint64 maximum);

private:
    std::chrono::steady_clock::time_point lastSent_{};
    long long lastValue_ = -1;
};

class FtpWorker : public QObject, private FtpBrowserEvents {
    Q_OBJECT
public:
    FtpWorker();
    FtpWorkerHost& Host() { return host_; }
    // Asked on the worker's thread when a downloaded file's name exists; the panel answers.
    std::function<FileExistsChoice(const std::string& localPath)> AskFileExists;

    // Commands; each runs on the worker's thread after Begin with its number, and ends with
    // snapshotReady and finished.
    void Begin(quint64 command) { host_.Current = command; }
    void Connect(const FtpPanelFields& fields, const ProgramOptions& options, const FtpTimeouts& timeouts,
                 const QString& knownHosts);
    void ChangePath(const QString& entryText);
    void ChangePath2(const QString& directory);
    void Refresh();
    void Download(const QStringList& entries, const SiteProfile& site, const ProgramOptions& options,
                  AfterDownloadChoice choice, const QString& downloadFolder);
    void Close();

signals:
    void snapshotReady(const trevix::ui::FtpSnapshot& snapshot);
    void fileDownloaded(const QString& localPath);
    void fileFinished(); // one file of a download is over: restore the caption
    // A download command is over; applied is 0 when no after-download choice was applied.
    void downloadDone(bool hadSelection, bool succeeded, int applied);
    void finished(); // any command

private:
    void FileDownloadFinished() override { emit fileFinished(); }
    void FileDownloaded(const std::string& localPath) override { emit fileDownloaded(Q(localPath)); }
    void Publish();

    FtpWorkerHost host_;
    ProgramOptions options_;
    FtpBrowser browser_;
};

} // namespace trevix::ui

Q_DECLARE_METATYPE(trevix::ui::FtpSnapshot)
