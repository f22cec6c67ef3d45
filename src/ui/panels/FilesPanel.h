#pragma once
// The log files step: the files to analyse, added from disk, from the recently used files or
// by FTP, and removed again.
#include <QWidget>

class QComboBox;
class QListWidget;
class QPushButton;
class QToolButton;

namespace trevix {
struct RecentLists;
}

namespace trevix::ui {

class FilesPanel : public QWidget {
    Q_OBJECT
public:
    explicit FilesPanel(QWidget* parent = nullptr);

    void Add(const QStringList& files);
    QStringList Files() const;
    int Count() const;
    void Clear();
    // Removes the files selected (or the current one); false when the list was empty.
    bool RemoveSelected();
    // The open-file dialog, starting in the folder last used (this session, else the latest
    // recent file's), else the download folder, else home: always a folder that exists, so the
    // dialog opens in it with no name typed.
    QStringList Browse(const RecentLists& recent, const QString& downloadFolder);
    void FillRecent(const RecentLists& recent);
    QListWidget* List() const { return lstLogFiles_; }

signals:
    void AddWanted(const QStringList& files);
    void BrowseWanted();
    void RemoveWanted();
    void FtpWanted();

private:
    QListWidget* lstLogFiles_ = nullptr;
    QComboBox* lstRecentFiles_ = nullptr;
    QPushButton* butAdd_ = nullptr;
    QToolButton* tbrFile_ = nullptr;
    QToolButton* tbrDeleteFile_ = nullptr;
    QToolButton* tbrFtp_ = nullptr;
    QString lastLogFolder_;   // where the open-file dialog was last left
};

} // namespace trevix::ui
