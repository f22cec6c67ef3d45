#include "FtpPanel.h"

#include "common/Prompter.h"
#include "common/QtText.h"
#include "config/Options.h"
#include "engine/Analyser.h"
#include "ftp/FtpText.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QThread>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <chrono>
#include <future>
#include <memory>

namespace trevix::ui {

namespace {

constexpr int EntryRole = Qt::UserRole;

const char* const DirectoryToolTip =
    "This is the current directory. You can change this by browsing from the list below, or entering a new "
    "directory here and pressing Enter.";

// A small padlock for the encrypted schemes; drawn, so it looks the same with any icon theme.
QPixmap Padlock(const QColor& color, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, size / 8.0);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal w = size;
    p.drawArc(QRectF(w * 0.28, w * 0.08, w * 0.44, w * 0.5), 0, 180 * 16);
    p.drawLine(QPointF(w * 0.28, w * 0.33), QPointF(w * 0.28, w * 0.45));
    p.drawLine(QPointF(w * 0.72, w * 0.33), QPointF(w * 0.72, w * 0.45));
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(w * 0.16, w * 0.45, w * 0.68, w * 0.48), w * 0.08, w * 0.08);
    return pixmap;
}

} // namespace

FtpPanel::FtpPanel(ProgramOptions& options, SettingsStore* store, std::function<SiteProfile*()> selectedProfile,
                   QWidget* parent)
    : QWidget(parent), options_(options), store_(store), selectedProfile_(std::move(selectedProfile)) {
    setObjectName("frameFTP");
    Build();

    thread_ = new QThread(this);
    thread_->setObjectName("FTP transfers");
    worker_ = new FtpWorker;
    worker_->AskFileExists = [this](const std::string& path) { return AskFileExists(path); };
    worker_->moveToThread(thread_);
    connect(&worker_->Host(), &FtpWorkerHost::statusChanged, this, &FtpPanel::SetStatus);
    connect(&worker_->Host(), &FtpWorkerHost::progressVisible, this, &FtpPanel::ShowProgress);
    connect(&worker_->Host(), &FtpWorkerHost::progressChanged, this, &FtpPanel::SetProgress);
    connect(worker_, &FtpWorker::snapshotReady, this, &FtpPanel::ApplySnapshot);
    connect(worker_, &FtpWorker::fileDownloaded, this, &FtpPanel::fileDownloaded);
    connect(worker_, &FtpWorker::fileFinished, this, [this] {
        ShowProgress(false);
        RestoreCaption();
    });
    connect(worker_, &FtpWorker::downloadDone, this, &FtpPanel::DownloadDone);
    connect(worker_, &FtpWorker::finished, this, [this] {
        if (pending_ > 0) --pending_;
        UpdateButtons();
        if (pending_ == 0) emit idle();
    });
    thread_->start();

    txtDownloadFolder_->setText(Q(options_.DefaultDownloadFolder));
    UpdateButtons();
    UpdateSchemeIndicator();
}

FtpPanel::FtpPanel(Analyser& analyser, SettingsStore* store, std::function<SiteProfile*()> selectedProfile,
                   QWidget* parent)
    : FtpPanel(analyser.Options, store, std::move(selectedProfile), parent) {}

FtpPanel::~FtpPanel() {
    // Whatever runs stops at its next look at Cancel (within 50 ms); then the thread ends.
    worker_->Host().CancelledUpTo = ~quint64(0);
    thread_->quit();
    thread_->wait();
    delete worker_;
}

void FtpPanel::Build() {
    auto* top = new QVBoxLayout(this);
    // The panel replaces the log files panel in place; its heading says where the user is.
    auto* heading = new QLabel("FTP Browser");
    heading->setObjectName("lblFtpBrowser");
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    top->addWidget(heading);

    auto* grid = new QGridLayout;
    txtServer_ = new QComboBox;
    txtServer_->setObjectName("txtServer");
    txtServer_->setEditable(true);
    txtServer_->setInsertPolicy(QComboBox::NoInsert);
    txtServer_->setToolTip("The server: a host name for FTP, or ftps://host (FTP over TLS) or sftp://host (SSH).");
    txtServer_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* lblServer = new QLabel("&Server:");
    lblServer->setBuddy(txtServer_);
    lblSecurity_ = new QLabel;
    lblSecurity_->setObjectName("lblSecurity");
    grid->addWidget(lblServer, 0, 0);
    grid->addWidget(txtServer_, 0, 1, 1, 3);
    grid->addWidget(lblSecurity_, 0, 4, 1, 2);

    txtUsername_ = new QLineEdit;
    txtUsername_->setObjectName("txtUsername");
    auto* lblUser = new QLabel("&User name:");
    lblUser->setBuddy(txtUsername_);
    txtPassword_ = new QLineEdit;
    txtPassword_->setObjectName("txtPassword");
    txtPassword_->setEchoMode(QLineEdit::Password);
    txtPassword_->setToolTip("Leave empty to log in to an SFTP server with your SSH agent or key file.");
    auto* lblPassword = new QLabel("&Password:");
    lblPassword->setBuddy(txtPassword_);
    chkRememberPassword_ = new QCheckBox("Remember password");
    chkRememberPassword_->setObjectName("chkRememberPassword");
    chkRememberPassword_->setChecked(true);
    chkRememberPassword_->setToolTip("Unticked, the password is used for this connection only and not stored.");
    txtPort_ = new QLineEdit;
    txtPort_->setObjectName("txtPort");
    txtPort_->setMaximumWidth(fontMetrics().horizontalAdvance("000000") + 16);
    auto* lblPort = new QLabel("P&ort:");
    lblPort->setBuddy(txtPort_);
    grid->addWidget(lblUser, 1, 0);
    grid->addWidget(txtUsername_, 1, 1);
    grid->addWidget(lblPassword, 1, 2);
    grid->addWidget(txtPassword_, 1, 3);
    grid->addWidget(lblPort, 1, 4);
    grid->addWidget(txtPort_, 1, 5);
    grid->addWidget(chkRememberPassword_, 2, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    top->addLayout(grid);

    toolbar_ = new QToolBar;
    toolbar_->setObjectName("FTPToolbar");
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    actConnect_ = toolbar_->addAction(style()->standardIcon(QStyle::SP_DialogYesButton), "Connect");
    actConnect_->setObjectName("connect");
    actConnect_->setToolTip("Connect to the server");
    actRefresh_ = toolbar_->addAction(style()->standardIcon(QStyle::SP_BrowserReload), "Refresh");
    actRefresh_->setObjectName("refresh");
    actRefresh_->setToolTip("List the current directory again");
    top->addWidget(toolbar_);

    text1_ = new QLineEdit;
    text1_->setObjectName("Text1");
    text1_->setToolTip(DirectoryToolTip);
    top->addWidget(text1_);

    list1_ = new QTreeWidget;
    list1_->setObjectName("List1");
    list1_->setColumnCount(3);
    list1_->setHeaderLabels({"Name", "Size", "Modified"});
    list1_->setRootIsDecorated(false);
    list1_->setUniformRowHeights(true);
    list1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list1_->setAllColumnsShowFocus(true);
    list1_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list1_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list1_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    list1_->header()->setStretchLastSection(false);
    top->addWidget(list1_, 1);

    auto* folderRow = new QHBoxLayout;
    auto* lblFolder = new QLabel("Download to folder:");
    txtDownloadFolder_ = new QLineEdit;
    txtDownloadFolder_->setObjectName("txtDownloadFolder");
    lblFolder->setBuddy(txtDownloadFolder_);
    butBrowse_ = new QPushButton("&Browse...");
    butBrowse_->setObjectName("butBrowse");
    folderRow->addWidget(lblFolder);
    folderRow->addWidget(txtDownloadFolder_, 1);
    folderRow->addWidget(butBrowse_);
    top->addLayout(folderRow);

    auto* downloadRow = new QHBoxLayout;
    command3_ = new QPushButton("&Download");
    command3_->setObjectName("Command3");
    optDownload_ = new QRadioButton("do nothing");
    optDownload_->setObjectName("optDownload");
    optDownloadProcess_ = new QRadioButton("process files");
    optDownloadProcess_->setObjectName("optDownloadProcess");
    optReturn_ = new QRadioButton("go back to the Log Files screen");
    optReturn_->setObjectName("optReturn");
    downloadRow->addWidget(command3_);
    downloadRow->addWidget(new QLabel("and then..."));
    downloadRow->addWidget(optDownload_);
    downloadRow->addWidget(optDownloadProcess_);
    downloadRow->addWidget(optReturn_);
    downloadRow->addStretch(1);
    top->addLayout(downloadRow);

    auto* statusRow = new QHBoxLayout;
    lblStatus_ = new QLabel;
    lblStatus_->setObjectName("lblFtpStatus");
    lblStatus_->setWordWrap(true);
    lblStatus_->setTextFormat(Qt::PlainText); // server replies are never markup
    lblStatus_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    progress_ = new QProgressBar;
    progress_->setObjectName("Progress");
    progress_->setRange(0, 1000);
    progress_->setVisible(false);
    butCancel_ = new QPushButton("Cancel");
    butCancel_->setObjectName("butCancel");
    butCancel_->setVisible(false);
    butClose_ = new QPushButton("Close");
    butClose_->setObjectName("butClose");
    butClose_->setToolTip("Close the connection and go back to the log files");
    statusRow->addWidget(lblStatus_, 1);
    statusRow->addWidget(progress_);
    statusRow->addWidget(butCancel_);
    statusRow->addWidget(butClose_);
    top->addLayout(statusRow);

    const int after = options_.AfterDownload;
    (after == 2 ? optDownloadProcess_ : after == 3 ? optReturn_ : optDownload_)->setChecked(true);

    connect(actConnect_, &QAction::triggered, this, &FtpPanel::Connect);
    connect(actRefresh_, &QAction::triggered, this, &FtpPanel::Refresh);
    connect(command3_, &QPushButton::clicked, this, &FtpPanel::Download);
    connect(butBrowse_, &QPushButton::clicked, this, &FtpPanel::BrowseDownloadFolder);
    connect(butClose_, &QPushButton::clicked, this, &FtpPanel::ClosePanel);
    connect(butCancel_, &QPushButton::clicked, this, &FtpPanel::Cancel);
    connect(txtServer_, &QComboBox::activated, this, &FtpPanel::ServerChosen);
    connect(txtServer_, &QComboBox::editTextChanged, this, &FtpPanel::UpdateSchemeIndicator);
    connect(text1_, &QLineEdit::returnPressed, this, &FtpPanel::DirectoryEntered);
    connect(list1_, &QTreeWidget::itemClicked, this, &FtpPanel::ItemClicked);
    connect(list1_, &QTreeWidget::itemDoubleClicked, this, &FtpPanel::ItemDoubleClicked);
}

QString FtpPanel::StatusText() const { return lblStatus_->text(); }
QString FtpPanel::CurrentDirectory() const { return text1_->text(); }

void FtpPanel::OpenFtpPage() {
    // While a connection is still open (after "go back to the Log Files screen") the boxes
    // keep showing it.
    if (!snapshot_.HandlesOpen) {
        txtUsername_->clear();
        txtPassword_->clear();
        text1_->clear();
    }
    const QString typed = txtServer_->currentText();
    txtServer_->clear();
    SiteProfile* profile = selectedProfile_ ? selectedProfile_() : nullptr;
    if (profile) {
        for (const FtpAccount& account : profile->FtpAccounts) txtServer_->addItem(Q(account.Server));
    }
    if (snapshot_.HandlesOpen) {
        txtServer_->setEditText(typed);
    } else if (profile && profile->FTP >= 0 && profile->FTP < profile->NumberFTP()) {
        txtServer_->setCurrentIndex(profile->FTP);
        ServerChosen(profile->FTP);
    } else {
        txtServer_->setEditText(QString());
    }
    if (txtDownloadFolder_->text().isEmpty())
        txtDownloadFolder_->setText(Q(options_.DefaultDownloadFolder));
    UpdateSchemeIndicator();
    UpdateButtons();
}

void FtpPanel::ServerChosen(int index) {
    SiteProfile* profile = selectedProfile_ ? selectedProfile_() : nullptr;
    if (!profile || index < 0 || index >= profile->NumberFTP()) return;
    const FtpAccount& account = profile->FtpAccounts[static_cast<size_t>(index)];
    txtServer_->setEditText(Q(account.Server));
    txtUsername_->setText(Q(account.Username));
    txtPassword_->setText(Q(account.Password));
    text1_->setText(Q(account.Directory));
}

FtpPanelFields FtpPanel::FieldsFromBoxes() const {
    FtpPanelFields f;
    f.Server = txtServer_->currentText().toStdString();
    f.Username = txtUsername_->text().toStdString();
    f.Password = txtPassword_->text().toStdString();
    f.Port = txtPort_->text().toStdString();
    f.Directory = text1_->text().toStdString();
    f.DownloadFolder = txtDownloadFolder_->text().toStdString();
    f.RememberPassword = chkRememberPassword_->isChecked();
    return f;
}

void FtpPanel::Send(std::function<void(FtpWorker*)> command) {
    const quint64 number = ++sent_;
    if (++pending_ == 1) emit busy();
    UpdateButtons();
    FtpWorker* worker = worker_;
    QMetaObject::invokeMethod(
        worker_,
        [worker, number, command = std::move(command)] {
            worker->Begin(number);
            command(worker);
        },
        Qt::QueuedConnection);
}

void FtpPanel::Connect() {
    if (IsBusy()) return;
    const FtpPanelFields fields = FieldsFromBoxes();
    if (SiteProfile* profile = selectedProfile_ ? selectedProfile_() : nullptr) {
        const int index = FtpBrowser::StoreAccount(*profile, fields);
        if (index >= txtServer_->count()) txtServer_->addItem(Q(fields.Server));
    }
    const ProgramOptions options = options_;
    const FtpTimeouts timeouts = timeouts_;
    const QString knownHosts = knownHosts_;
    setCursor(Qt::BusyCursor);
    Send([fields, options, timeouts, knownHosts](FtpWorker* w) { w->Connect(fields, options, timeouts, knownHosts); });
}

void FtpPanel::Refresh() {
    if (IsBusy() || !snapshot_.HandlesOpen) return;
    Send([](FtpWorker* w) { w->Refresh(); });
}

void FtpPanel::DirectoryEntered() {
    if (IsBusy() || !snapshot_.Connected) return;
    const QString dir = text1_->text();
    Send([dir](FtpWorker* w) { w->ChangePath2(dir); });
}

void FtpPanel::ItemClicked(QTreeWidgetItem* item) {
    if (!item) return;
    if (IsDownloadableEntry(item->data(0, EntryRole).toString().toStdString())) downloadArmed_ = true;
    UpdateButtons();
}

void FtpPanel::ItemDoubleClicked(QTreeWidgetItem* item) {
    if (!item || IsBusy()) return;
    const QString entry = item->data(0, EntryRole).toString();
    if (entry.endsWith('/') || entry == "..") {
        Send([entry](FtpWorker* w) { w->ChangePath(entry); });
    } else if (!entry.isEmpty()) {
        Download();
    }
}

void FtpPanel::Download() {
    if (IsBusy() || !snapshot_.HandlesOpen) return;
    SiteProfile* profile = selectedProfile_ ? selectedProfile_() : nullptr;
    // The next visit starts in this directory.
    if (profile && profile->FTP >= 0 && profile->FTP < profile->NumberFTP())
        profile->FtpAccounts[static_cast<size_t>(profile->FTP)].Directory = text1_->text().toStdString();
    QStringList entries;
    for (int i = 0; i < list1_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list1_->topLevelItem(i);
        if (item->isSelected()) entries << item->data(0, EntryRole).toString();
    }
    if (entries.isEmpty()) return; // nothing selected: nothing happens at all

    downloading_ = true;
    command3_->setText("Downloading...");
    savedCaption_ = window()->windowTitle();
    const AfterDownloadChoice choice = optDownloadProcess_->isChecked() ? AfterDownloadChoice::ProcessFiles
                                       : optReturn_->isChecked()        ? AfterDownloadChoice::ReturnToLogFiles
                                                                        : AfterDownloadChoice::DoNothing;
    SiteProfile site;
    if (profile) site.SiteName = profile->SiteName;
    const ProgramOptions options = options_;
    const QString folder = txtDownloadFolder_->text();
    setCursor(Qt::BusyCursor);
    Send([entries, site, options, choice, folder](FtpWorker* w) { w->Download(entries, site, options, choice, folder); });
}

void FtpPanel::DownloadDone(bool hadSelection, bool, int applied) {
    downloading_ = false;
    downloadArmed_ = false; // until an entry is clicked again
    command3_->setText("&Download");
    RestoreCaption();
    if (hadSelection) {
        if (applied != 0) options_.AfterDownload = static_cast<int16_t>(applied);
        if (store_) SaveAfterDownload(*store_, options_.AfterDownload);
    }
    UpdateButtons();
    if (applied == static_cast<int>(AfterDownloadChoice::ProcessFiles)) emit processFilesRequested();
    if (applied == static_cast<int>(AfterDownloadChoice::ReturnToLogFiles)) emit returnToLogFilesRequested();
}

void FtpPanel::ClosePanel() {
    // Stops whatever runs (within 50 ms), then closes the connection after it.
    worker_->Host().CancelledUpTo = sent_;
    Send([](FtpWorker* w) { w->Close(); });
    ShowProgress(false);
    RestoreCaption();
    SetStatus(QString());
    emit panelClosed();
}

void FtpPanel::BrowseDownloadFolder() {
    const QString folder = CurrentPrompter().Folder(
        this, "Please select which folder Trevix should save the downloaded file to:", txtDownloadFolder_->text());
    if (!folder.isEmpty()) txtDownloadFolder_->setText(folder);
}

FileExistsChoice FtpPanel::AskFileExists(const std::string& localPath) {
    // Runs on the worker's thread: the question is asked on the window's thread, and the
    // worker waits for the answer, or for Cancel.
    const QFileInfo info(Q(localPath));
    const QString text = QString("A file named \"%1\" is already in %2.\n\nReplace it, keep both (the new file gets a "
                                 "numbered name), or skip this file?")
                             .arg(info.fileName(), info.absolutePath());
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> result = answer->get_future();
    QMetaObject::invokeMethod(
        this,
        [this, answer, text] {
            answer->set_value(CurrentPrompter().Choice(this, MessageIcon::Question, "File already exists", text,
                                                       {"Replace", "Keep both", "Skip"}, 1));
        },
        Qt::QueuedConnection);
    while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (worker_->Host().IsCancelled()) return FileExistsChoice::Skip;
    }
    switch (result.get()) {
    case 0: return FileExistsChoice::Replace;
    case 1: return FileExistsChoice::KeepBoth;
    default: return FileExistsChoice::Skip; // "Skip", or the box closed: nothing is lost
    }
}

void FtpPanel::ApplySnapshot(const FtpSnapshot& s) {
    const bool opened = s.HandlesOpen && !snapshot_.HandlesOpen;
    snapshot_ = s;
    unsetCursor();
    if (opened) downloadArmed_ = true;
    if (s.HandlesOpen || !s.Directory.isEmpty()) text1_->setText(s.Directory);
    list1_->setUpdatesEnabled(false);
    list1_->clear();
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    QList<QTreeWidgetItem*> items;
    for (const FtpListRow& row : s.Rows) {
        auto* item = new QTreeWidgetItem;
        item->setText(0, row.IsDirectory && row.Name != ".." ? row.Name + "/" : row.Name);
        item->setIcon(0, row.IsDirectory ? folderIcon : fileIcon);
        item->setText(1, row.SizeText);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(2, row.Modified);
        item->setData(0, EntryRole, row.EntryText);
        if (!row.IsDirectory) item->setToolTip(1, QString("%L1 bytes").arg(row.Size));
        items << item;
    }
    list1_->addTopLevelItems(items);
    list1_->setUpdatesEnabled(true);
    UpdateButtons();
}

void FtpPanel::UpdateButtons() {
    const bool busy = IsBusy();
    actConnect_->setEnabled(!snapshot_.HandlesOpen && !busy);
    actRefresh_->setEnabled(snapshot_.HandlesOpen && !busy);
    command3_->setEnabled(snapshot_.HandlesOpen && !busy && downloadArmed_ && !downloading_);
    // Cancel is there whenever the network is in use, a connect that hangs included.
    butCancel_->setVisible(busy);
    if (!busy) unsetCursor();
}

void FtpPanel::UpdateSchemeIndicator() {
    const FtpServerText server = ParseServerText(txtServer_->currentText().toStdString());
    const int size = fontMetrics().height();
    txtPort_->setPlaceholderText(QString::number(DefaultFtpPort(server.Scheme)));
    const bool encrypted = server.Scheme != FtpScheme::Ftp;
    const QColor color = encrypted ? QColor(0x2e, 0x7d, 0x32) : palette().color(QPalette::Disabled, QPalette::WindowText);
    const QString name = FtpSchemeName(server.Scheme);
    const QString caption = encrypted ? name + " (encrypted)" : name + " (not encrypted)";
    // Picture and words in one label: the padlock, then the scheme.
    QPixmap picture(size * 12, size);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        if (encrypted) p.drawPixmap(0, 0, Padlock(color, size));
        p.setPen(palette().color(QPalette::WindowText));
        p.setFont(font());
        p.drawText(QRect(size + size / 3, 0, size * 11, size), Qt::AlignVCenter | Qt::AlignLeft, caption);
    }
    lblSecurity_->setPixmap(picture);
    lblSecurity_->setAccessibleName(caption);
    lblSecurity_->setProperty("scheme", name);
    lblSecurity_->setToolTip(server.Scheme == FtpScheme::Ftps
                                 ? "FTP over TLS: the password and the files travel encrypted; the server's "
                                   "certificate is verified."
                             : server.Scheme == FtpScheme::Sftp
                                 ? "SFTP: the password and the files travel encrypted; the server's host key "
                                   "is checked against your known hosts."
                                 : "Plain FTP: the password and the files travel unencrypted. Write ftps://host "
                                   "or sftp://host when the server offers it.");
}

void FtpPanel::SetStatus(const QString& text) {
    lblStatus_->setText(text);
    emit statusChanged(text);
}

void FtpPanel::ShowProgress(bool visible) {
    progress_->setVisible(visible);
    if (visible) progress_->setValue(0);
}

void FtpPanel::SetProgress(qint64 value, qint64 maximum) {
    // The bar works in thousandths, so files beyond 2 GiB fit its int range.
    const int permille = maximum > 0 ? static_cast<int>(std::min<qint64>(value, maximum) * 1000 / maximum) : 0;
    progress_->setVisible(true);
    progress_->setValue(permille);
    if (downloading_) {
        window()->setWindowTitle(savedCaption_ + " - " + QString::number(permille / 10) + "% downloaded");
        captionChanged_ = true;
    }
}

void FtpPanel::RestoreCaption() {
    if (!captionChanged_) return;
    window()->setWindowTitle(savedCaption_);
    captionChanged_ = false;
}

} // namespace trevix::ui
