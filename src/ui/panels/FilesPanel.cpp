#include "panels/FilesPanel.h"

#include "common/Prompter.h"
#include "common/QtText.h"
#include "config/RecentLists.h"
#include "engine/read/LogReader.h"
#include "panels/ToolButton.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevix::ui {

namespace {

// Plain logs by their usual names, and every compressed form the reader takes.
QString LogFilter() {
    QString patterns = "*.log *_log *.1 *.txt";
    for (std::string_view ending : CompressedLogEndings) patterns += " *" + QString::fromLatin1(ending.data(), qsizetype(ending.size()));
    return "Log files (" + patterns + ");;All files (*)";
}

} // namespace

FilesPanel::FilesPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("frameFiles");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Log file(s) to open:", this));
    auto* bar = new QHBoxLayout;
    tbrFile_ = ToolButton("Toolbar2_file", "Open...", QStyle::SP_DialogOpenButton, "document-open", this);
    tbrFile_->setToolTip("Add log files from disk (Ctrl+O)");
    tbrFtp_ = ToolButton("Toolbar2_ftp", "FTP", QStyle::SP_DriveNetIcon, "network-server", this);
    tbrFtp_->setToolTip("Download log files from a server (FTP, FTPS or SFTP)");
    tbrDeleteFile_ = ToolButton("Toolbar2_delete", "Remove", QStyle::SP_TrashIcon, "list-remove", this);
    tbrDeleteFile_->setToolTip("Remove the selected files from the list");
    for (auto* b : {tbrFile_, tbrFtp_, tbrDeleteFile_}) bar->addWidget(b);
    bar->addStretch(1);
    layout->addLayout(bar);
    connect(tbrFile_, &QToolButton::clicked, this, &FilesPanel::BrowseWanted);
    connect(tbrFtp_, &QToolButton::clicked, this, &FilesPanel::FtpWanted);
    connect(tbrDeleteFile_, &QToolButton::clicked, this, &FilesPanel::RemoveWanted);

    lstLogFiles_ = new QListWidget(this);
    lstLogFiles_->setObjectName("lstLogFiles");
    lstLogFiles_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    layout->addWidget(lstLogFiles_, 1);

    auto* recentRow = new QHBoxLayout;
    lstRecentFiles_ = new QComboBox(this);
    lstRecentFiles_->setObjectName("lstRecentFiles");
    lstRecentFiles_->setEditable(true);
    lstRecentFiles_->setInsertPolicy(QComboBox::NoInsert);
    lstRecentFiles_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    butAdd_ = new QPushButton("&Add", this);
    butAdd_->setObjectName("butAdd");
    recentRow->addWidget(lstRecentFiles_, 1);
    recentRow->addWidget(butAdd_);
    auto* recentCaption = new QLabel("&Recently used files:", this);
    recentCaption->setBuddy(lstRecentFiles_);
    layout->addWidget(recentCaption);
    layout->addLayout(recentRow);
    connect(butAdd_, &QPushButton::clicked, this, [this] {
        const QString text = lstRecentFiles_->currentText();
        if (!text.isEmpty()) emit AddWanted({text});
    });
}

void FilesPanel::Add(const QStringList& files) {
    for (const QString& f : files) lstLogFiles_->addItem(QDir::toNativeSeparators(f));
}

QStringList FilesPanel::Files() const {
    QStringList files;
    for (int i = 0; i < lstLogFiles_->count(); ++i) files << lstLogFiles_->item(i)->text();
    return files;
}

int FilesPanel::Count() const { return lstLogFiles_->count(); }

void FilesPanel::Clear() { lstLogFiles_->clear(); }

bool FilesPanel::RemoveSelected() {
    if (lstLogFiles_->count() == 0) return false;
    int cursor = lstLogFiles_->currentRow();
    if (cursor >= 0) lstLogFiles_->item(cursor)->setSelected(true);
    for (int i = lstLogFiles_->count() - 1; i >= 0; --i) {
        if (!lstLogFiles_->item(i)->isSelected()) continue;
        delete lstLogFiles_->takeItem(i);
        cursor = std::min(i, lstLogFiles_->count() - 1);
    }
    if (cursor >= 0) {
        lstLogFiles_->setCurrentRow(cursor);
        lstLogFiles_->item(cursor)->setSelected(true);
    }
    return true;
}

QStringList FilesPanel::Browse(const RecentLists& recent, const QString& downloadFolder) {
    QStringList folders{lastLogFolder_};
    if (!recent.RecentFiles.empty() && !recent.RecentFiles.front().empty())
        folders << QFileInfo(Q(recent.RecentFiles.front())).absolutePath();
    folders << downloadFolder << QDir::homePath();
    QString start;
    for (const QString& folder : folders)
        if (!folder.isEmpty() && QFileInfo(folder).isDir()) {
            start = folder;
            break;
        }
    const QStringList files = CurrentPrompter().OpenFiles(window(), "Open Log Files", start, LogFilter());
    if (!files.isEmpty()) lastLogFolder_ = QFileInfo(files.front()).absolutePath();
    return files;
}

void FilesPanel::FillRecent(const RecentLists& recent) {
    lstRecentFiles_->clear();
    for (const std::string& s : ShownEntries(recent.RecentFiles)) lstRecentFiles_->addItem(Q(s));
    lstRecentFiles_->setCurrentIndex(lstRecentFiles_->count() > 0 ? 0 : -1);
}

} // namespace trevix::ui
