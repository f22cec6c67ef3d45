#include "FtpWorker.h"

#include "common/QtText.h"
#include "ftp/FtpText.h"

namespace trevix::ui {

void FtpWorkerHost::SetProgress(long long value, long long maximum) {
    // libcurl reports every few kilobytes; the bar needs a few updates a second.
    const auto now = std::chrono::steady_clock::now();
    if (value != 0 && value != maximum && value != lastValue_ && now - lastSent_ < std::chrono::milliseconds(40))
        return;
    lastSent_ = now;
    lastValue_ = value;
    emit progressChanged(value, maximum);
}

FtpWorker::FtpWorker() : browser_(host_, options_, nullptr, this) {
    static const int registered = qRegisterMetaType<trevix::ui::FtpSnapshot>();
    (void)registered;
    browser_.OnFileExists = [this](const std::string& path) {
        return AskFileExists ? AskFileExists(path) : FileExistsChoice::Replace;
    };
}

void FtpWorker::Publish() {
    FtpSnapshot s;
    s.Connected = browser_.Connected();
    s.HandlesOpen = browser_.HandlesOpen();
    s.Directory = Q(browser_.Fields.Directory);
    const auto& texts = browser_.Entries();
    const auto& records = browser_.EntryRecords();
    for (size_t i = 0; i < texts.size() && i < records.size(); ++i) {
        FtpListRow row;
        row.EntryText = Q(texts[i]);
        row.Name = Q(records[i].Name);
        row.IsDirectory = records[i].IsDirectory;
        row.Size = static_cast<qint64>(records[i].Size);
        if (!row.IsDirectory) row.SizeText = Q(FormatFileSize(records[i].Size));
        row.Modified = Q(records[i].Modified);
        s.Rows.push_back(row);
    }
    emit snapshotReady(s);
}

void FtpWorker::Connect(const FtpPanelFields& fields, const ProgramOptions& options, const FtpTimeouts& timeouts,
                        const QString& knownHosts) {
    options_ = options;
    browser_.Fields = fields;
    browser_.Session().Timeouts = timeouts;
    browser_.KnownHostsFile = knownHosts.toStdString();
    browser_.Connect(nullptr); // the panel stores the account on its own thread
    Publish();
    emit finished();
}

void FtpWorker::ChangePath(const QString& entryText) {
    browser_.ChangePath(entryText.toStdString());
    Publish();
    emit finished();
}

void FtpWorker::ChangePath2(const QString& directory) {
    browser_.ChangePath2(directory.toStdString());
    Publish();
    emit finished();
}

void FtpWorker::Refresh() {
    browser_.ListFtpDirectory();
    Publish();
    emit finished();
}

void FtpWorker::Download(const QStringList& entries, const SiteProfile& site, const ProgramOptions& options,
                         AfterDownloadChoice choice, const QString& downloadFolder) {
    options_ = options;
    browser_.Fields.DownloadFolder = downloadFolder.toStdString();
    std::vector<std::string> selected;
    for (const QString& e : entries) selected.push_back(e.toStdString());
    SiteProfile copy = site;
    const DownloadOutcome outcome = browser_.Download(&copy, selected, choice);
    Publish();
    emit downloadDone(outcome.HadSelection, outcome.Succeeded,
                      outcome.Applied ? static_cast<int>(*outcome.Applied) : 0);
    emit finished();
}

void FtpWorker::Close() {
    if (browser_.HandlesOpen() || browser_.Connected()) browser_.CloseConnection(false);
    Publish();
    emit finished();
}

} // namespace trevix::ui
