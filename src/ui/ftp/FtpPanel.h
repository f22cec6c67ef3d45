#pragma once
// The FTP panel (frameFTP): pick a server of the selected site, connect over FTP, FTPS or
// SFTP, browse, and download log files into a folder; then add them to the log files, start
// the analysis or go back, as the user chose. The window embeds it in place of the log files
// panel's content. All network work runs on a worker thread (FtpWorker).
#include "FtpWorker.h"

#include "ftp/FtpSession.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QThread;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace trevix {
class Analyser;
class SettingsStore;
} // namespace trevix

namespace trevix::ui {

class FtpPanel : public QWidget {
    Q_OBJECT
public:
    // selectedProfile gives the site profile selected in the site list (or null); the panel
    // keeps its FTP accounts up to date in memory, and writes AfterDownload to the store.
    FtpPanel(ProgramOptions& options, SettingsStore* store, std::function<SiteProfile*()> selectedProfile,
             QWidget* parent = nullptr);
    FtpPanel(Analyser& analyser, SettingsStore* store, std::function<SiteProfile*()> selectedProfile,
             QWidget* parent = nullptr);
    ~FtpPanel() override;

    // What the log files panel's "ftp" button does before showing the panel: empty the boxes,
    // fill the server list from the profile and preselect its account FTP.
    void OpenFtpPage();

    // Connect and response timeouts (30 s by default); the known-hosts file for SFTP
    // (empty: ~/.ssh/known_hosts).
    void SetTimeouts(const FtpTimeouts& timeouts) { timeouts_ = timeouts; }
    void SetKnownHostsFile(const QString& path) { knownHosts_ = path; }

    bool IsBusy() const { return pending_ > 0; }
    bool IsConnected() const { return snapshot_.Connected; }
    bool HandlesOpen() const { return snapshot_.HandlesOpen; }
    QString StatusText() const;
    QString CurrentDirectory() const;

public slots:
    void Connect();                // the toolbar's "connect"
    void Refresh();                // the toolbar's "refresh"
    void Download();               // "&Download"
    void BrowseDownloadFolder();   // "&Browse..."
    void ClosePanel();             // the close button, and Cancel while the panel shows
    void Cancel() { ClosePanel(); }

signals:
    void statusChanged(const QString& text);
    // A file arrived: add it to the list of log files (the report is now out of date).
    void fileDownloaded(const QString& localPath);
    // After a download with "process files": the panel is closed, run the analysis.
    void processFilesRequested();
    // After a download with "go back to the Log Files screen": hide the panel, the
    // connection stays open.
    void returnToLogFilesRequested();
    // The close button or Cancel: the connection is closed, hide the panel.
    void panelClosed();
    // A command was sent while none was running: the panel is busy until idle.
    void busy();
    // Every command sent has finished (tests and the window wait for this).
    void idle();

private:
    void Build();
    void Send(std::function<void(FtpWorker*)> command);
    void ApplySnapshot(const FtpSnapshot& snapshot);
    void UpdateButtons();
    void UpdateSchemeIndicator();
    void ServerChosen(int index);
    void ItemClicked(QTreeWidgetItem* item);
    void ItemDoubleClicked(QTreeWidgetItem* item);
    void DirectoryEntered();
    void SetStatus(const QString& text);
    void ShowProgress(bool visible);
    void SetProgress(qint64 value, qint64 maximum);
    void RestoreCaption();
    void DownloadDone(bool hadSelection, bool succeeded, int applied);
    FileExistsChoice AskFileExists(const std::string& localPath);
    FtpPanelFields FieldsFromBoxes() const;

    ProgramOptions& options_;
    SettingsStore* store_;
    std::function<SiteProfile*()> selectedProfile_;
    FtpTimeouts timeouts_;
    QString knownHosts_;

    QThread* thread_ = nullptr;
    FtpWorker* worker_ = nullptr; // lives on thread_
    quint64 sent_ = 0;            // commands sent
    int pending_ = 0;             // commands not finished yet
    FtpSnapshot snapshot_;
    bool downloadArmed_ = false;  // "&Download" may be enabled (an entry clicked, or connected)
    bool downloading_ = false;
    QString savedCaption_;
    bool captionChanged_ = false;
    QString downloadCaption_;

    QComboBox* txtServer_ = nullptr;
    QLabel* lblSecurity_ = nullptr;
    QLineEdit* txtUsername_ = nullptr;
    QLineEdit* txtPassword_ = nullptr;
    QCheckBox* chkRememberPassword_ = nullptr;
    QLineEdit* txtPort_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QAction* actConnect_ = nullptr;
    QAction* actRefresh_ = nullptr;
    QLineEdit* text1_ = nullptr;
    QTreeWidget* list1_ = nullptr;
    QLineEdit* txtDownloadFolder_ = nullptr;
    QPushButton* butBrowse_ = nullptr;
    QPushButton* command3_ = nullptr;
    QRadioButton* optDownload_ = nullptr;
    QRadioButton* optDownloadProcess_ = nullptr;
    QRadioButton* optReturn_ = nullptr;
    QLabel* lblStatus_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* butCancel_ = nullptr;
    QPushButton* butClose_ = nullptr;
};

} // namespace trevix::ui
