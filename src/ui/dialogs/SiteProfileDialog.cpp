#include "dialogs/SiteProfileDialog.h"

#include "common/DialogButtons.h"
#include "common/Prompter.h"
#include "common/QtText.h"
#include "engine/formats/FormatChoice.h"
#include "engine/read/FormatPreview.h"
#include "engine/read/LogReader.h"
#include "engine/tables/Anonymise.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace trevix::ui {

namespace {

// The preview, one field a line, or why the line does not read.
QString PreviewText(const LinePreview& preview) {
    QStringList lines;
    if (!preview.Read) {
        lines << Q(preview.Message);
        if (!preview.Format.empty()) lines << "Format: " + Q(preview.Format);
        if (!preview.Line.empty()) lines << "Line: " + Q(preview.Line);
        return lines.join('\n');
    }
    lines << "Format: " + Q(preview.Format) << "Client: " + Q(preview.Client) << "Time: " + Q(preview.Time)
          << "Request: " + Q(preview.Request) << "Status: " + Q(preview.Status) << "Bytes: " + Q(preview.Bytes)
          << "Referrer: " + Q(preview.Referrer) << "User agent: " + Q(preview.UserAgent);
    return lines.join('\n');
}

} // namespace

SiteProfileDialog::SiteProfileDialog(bool isNew, QWidget* parent) : QDialog(parent) {
    setObjectName("frmSiteProfile");
    setWindowTitle(isNew ? "New Site" : "Edit Site");
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel("Site &name:", this);
    txtSitename_ = new QLineEdit(this);
    txtSitename_->setObjectName("txtSitename");
    nameLabel->setBuddy(txtSitename_);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(txtSitename_, 1);
    layout->addLayout(nameRow);

    auto* frame = new QGroupBox("Domain names", this);
    frame->setObjectName("fraDomains");
    auto* grid = new QGridLayout(frame);
    lstDomains_ = new QListWidget(frame);
    lstDomains_->setObjectName("lstDomains");
    txtDomain_ = new QLineEdit(frame);
    txtDomain_->setObjectName("txtDomain");
    txtDomain_->setEnabled(false);
    auto* add = new QPushButton("Add", frame);
    add->setObjectName("butDomains0");
    auto* remove = new QPushButton("Remove", frame);
    remove->setObjectName("butDomains1");
    grid->addWidget(lstDomains_, 0, 0, 3, 1);
    grid->addWidget(add, 0, 1);
    grid->addWidget(remove, 1, 1);
    grid->addWidget(txtDomain_, 3, 0);
    auto* hint = new QLabel("There is no need to enter \"www\" before the domain name.", frame);
    hint->setWordWrap(true);
    grid->addWidget(hint, 4, 0, 1, 2);
    // Most sites have a few domains: the list scrolls, and a taller dialog gives the preview room.
    lstDomains_->setFixedHeight(lstDomains_->fontMetrics().height() * 7);
    layout->addWidget(frame);

    chkDifferentDomains_ = new QCheckBox("Show separate domains in the Files report", this);
    chkDifferentDomains_->setObjectName("chkDifferentDomains");
    layout->addWidget(chkDifferentDomains_);

    auto* anonymiseRow = new QHBoxLayout;
    auto* anonymiseLabel = new QLabel("&Visitors' addresses:", this);
    cboAnonymise_ = new QComboBox(this);
    cboAnonymise_->setObjectName("cboAnonymise");
    cboAnonymise_->addItem("Keep as logged", "none");
    cboAnonymise_->addItem("Truncate (network only)", "truncate");
    cboAnonymise_->addItem("Replace by a keyed hash", "hash");
    anonymiseLabel->setBuddy(cboAnonymise_);
    anonymiseRow->addWidget(anonymiseLabel);
    anonymiseRow->addWidget(cboAnonymise_, 1);
    layout->addLayout(anonymiseRow);

    auto* formatFrame = new QGroupBox("Log format", this);
    formatFrame->setObjectName("fraLogFormat");
    auto* formatGrid = new QGridLayout(formatFrame);
    auto* formatLabel = new QLabel("&Log format:", formatFrame);
    cboLogFormat_ = new QComboBox(formatFrame);
    cboLogFormat_->setObjectName("cboLogFormat");
    for (const FormatNameInfo& info : FormatNames())
        cboLogFormat_->addItem(Q(info.Caption), static_cast<int>(info.Name));
    formatLabel->setBuddy(cboLogFormat_);
    auto* stringLabel = new QLabel("Format &string:", formatFrame);
    txtLogFormat_ = new QLineEdit(formatFrame);
    txtLogFormat_->setObjectName("txtLogFormat");
    txtLogFormat_->setPlaceholderText("as in the server's configuration");
    stringLabel->setBuddy(txtLogFormat_);
    chkW3CLocalTime_ = new QCheckBox("W3C logs are in local time", formatFrame);
    chkW3CLocalTime_->setObjectName("chkW3CLocalTime");
    auto* tryRow = new QHBoxLayout;
    auto* tryButton = new QPushButton("&Try on a log file...", formatFrame);
    tryButton->setObjectName("cmdTryLogFormat");
    lblPreviewFile_ = new QLabel(formatFrame);
    lblPreviewFile_->setObjectName("lblLogPreviewFile");
    lblPreviewFile_->setTextFormat(Qt::PlainText);
    lblPreviewFile_->setMinimumWidth(0);
    lblPreviewFile_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    tryRow->addWidget(tryButton);
    tryRow->addWidget(lblPreviewFile_, 1);
    lblLogPreview_ = new QPlainTextEdit(formatFrame);
    lblLogPreview_->setObjectName("lblLogPreview");
    lblLogPreview_->setReadOnly(true);
    lblLogPreview_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    lblLogPreview_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    lblLogPreview_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lblLogPreview_->setTabChangesFocus(true);
    // Room for the eight fields of a line without scrolling.
    lblLogPreview_->setMinimumHeight(lblLogPreview_->fontMetrics().lineSpacing() * 9 +
                                   2 * lblLogPreview_->frameWidth() + 8);
    formatGrid->addWidget(formatLabel, 0, 0);
    formatGrid->addWidget(cboLogFormat_, 0, 1);
    formatGrid->addWidget(stringLabel, 1, 0);
    formatGrid->addWidget(txtLogFormat_, 1, 1);
    formatGrid->addWidget(chkW3CLocalTime_, 2, 0, 1, 2);
    formatGrid->addLayout(tryRow, 3, 0, 1, 2);
    formatGrid->addWidget(lblLogPreview_, 4, 0, 1, 2);
    formatGrid->setColumnStretch(1, 1);
    layout->addWidget(formatFrame, 1);

    const OkCancelButtons buttons = MakeOkCancelButtons(this);
    QPushButton* ok = buttons.Ok;
    QPushButton* cancel = buttons.Cancel;
    layout->addWidget(buttons.Box);

    connect(add, &QPushButton::clicked, this, &SiteProfileDialog::AddDomain);
    connect(remove, &QPushButton::clicked, this, &SiteProfileDialog::RemoveDomain);
    connect(lstDomains_, &QListWidget::currentRowChanged, this, &SiteProfileDialog::SelectionChanged);
    // The list always shows what is typed.
    connect(txtDomain_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (auto* item = lstDomains_->currentItem()) item->setText(text);
    });
    connect(cboLogFormat_, &QComboBox::currentIndexChanged, this, &SiteProfileDialog::FormatChanged);
    connect(txtLogFormat_, &QLineEdit::textChanged, this, &SiteProfileDialog::ShowPreview);
    connect(chkW3CLocalTime_, &QCheckBox::toggled, this, &SiteProfileDialog::ShowPreview);
    connect(tryButton, &QPushButton::clicked, this, &SiteProfileDialog::TryLogFormat);
    connect(ok, &QPushButton::clicked, this, [this] {
        // A format the run could not use is said now, not when the logs are read.
        if (const QString problem = FormatProblem(); !problem.isEmpty()) {
            CurrentPrompter().Message(this, MessageIcon::Warning, "Trevix", problem);
            txtLogFormat_->setFocus();
            txtLogFormat_->selectAll();
            return;
        }
        if (Anonymise() == "hash" && !MakeKey()) return;
        cancelled_ = false;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &SiteProfileDialog::reject);
    // The key is made when the hash is first chosen and kept from then on, so the site's
    // visitors keep their texts whenever the hash is chosen again.
    connect(cboAnonymise_, &QComboBox::currentIndexChanged, this, [this] {
        if (Anonymise() == "hash") MakeKey();
    });
    FormatChanged();
    resize(480, minimumSizeHint().height());
}

void SiteProfileDialog::SetFields(const std::string& siteName, const std::vector<std::string>& domains,
                                  bool different, const std::string& logFormat, bool w3cLocalTime) {
    txtSitename_->setText(Q(siteName));
    lstDomains_->clear();
    for (const std::string& d : domains) lstDomains_->addItem(Q(d));
    chkDifferentDomains_->setChecked(different);
    const FormatChoice choice = FormatChoiceOf(logFormat);
    txtLogFormat_->setText(Q(choice.Text));
    cboLogFormat_->setCurrentIndex(std::max(0, cboLogFormat_->findData(static_cast<int>(choice.Name))));
    chkW3CLocalTime_->setChecked(w3cLocalTime);
    FormatChanged();
}

void SiteProfileDialog::SetAnonymise(const std::string& mode, const std::string& key) {
    key_ = key;
    cboAnonymise_->setCurrentIndex(std::max(0, cboAnonymise_->findData(Q(mode))));
}

std::string SiteProfileDialog::Anonymise() const { return Std(cboAnonymise_->currentData().toString()); }

bool SiteProfileDialog::MakeKey() {
    if (!key_.empty()) return true;
    key_ = NewAnonymiseKey();
    if (!key_.empty()) return true;
    CurrentPrompter().Message(this, MessageIcon::Critical, "Trevix",
                              "No key could be made for hashing visitors' addresses: the system gave no "
                              "random numbers. Choose another setting for visitors' addresses.");
    return false;
}

std::string SiteProfileDialog::SiteName() const { return txtSitename_->text().toStdString(); }

std::vector<std::string> SiteProfileDialog::Domains() const {
    std::vector<std::string> out;
    for (int i = 0; i < lstDomains_->count(); ++i) out.push_back(lstDomains_->item(i)->text().toStdString());
    return out;
}

bool SiteProfileDialog::DifferentDomains() const { return chkDifferentDomains_->isChecked(); }

namespace {
FormatChoice ChoiceOf(const QComboBox* box, const QLineEdit* text) {
    const auto name = static_cast<FormatName>(box->currentData().toInt());
    if (name != FormatName::FormatString) return {name, {}};
    // A format's name typed as the string is that format.
    const std::string typed = Std(text->text().trimmed());
    return typed.empty() ? FormatChoice{name, {}} : FormatChoiceOf(typed);
}
} // namespace

std::string SiteProfileDialog::LogFormat() const {
    return FormatChoiceText(ChoiceOf(cboLogFormat_, txtLogFormat_));
}

bool SiteProfileDialog::W3cLocalTime() const { return chkW3CLocalTime_->isChecked(); }

QString SiteProfileDialog::FormatProblem() const {
    const FormatChoice choice = ChoiceOf(cboLogFormat_, txtLogFormat_);
    // An empty string would be stored as automatic detection, which is not what was chosen.
    if (choice.Name == FormatName::FormatString && choice.Text.empty())
        return "Type the format string as it is written in the server's configuration.";
    std::string error;
    MakeLineFormat(choice, error);
    if (error.empty()) return {};
    QString text = "The format string cannot be used: " + Q(error);
    return text.endsWith('.') ? text : text + '.';
}

void SiteProfileDialog::FormatChanged() {
    const bool isString = static_cast<FormatName>(cboLogFormat_->currentData().toInt()) == FormatName::FormatString;
    txtLogFormat_->setEnabled(isString);
    ShowPreview();
}

void SiteProfileDialog::TryLogFormat() {
    QString patterns = "*.log *_log *.1 *.txt";
    for (std::string_view ending : CompressedLogEndings) patterns += " *" + Q(ending);
    const QString folder = previewPath_.isEmpty() ? QString() : QFileInfo(previewPath_).path();
    const QString path = CurrentPrompter().OpenFile(this, "Try on a Log File", folder,
                                                    "Log files (" + patterns + ");;All files (*)");
    if (!path.isEmpty()) PreviewFile(path);
}

void SiteProfileDialog::PreviewFile(const QString& path) {
    previewPath_ = path;
    const QString name = QFileInfo(path).fileName();
    lblPreviewFile_->setText(name);
    lblPreviewFile_->setToolTip(path);
    ShowPreview();
}

void SiteProfileDialog::ShowPreview() {
    if (const QString problem = FormatProblem(); !problem.isEmpty()) {
        lblLogPreview_->setPlainText(problem);
        return;
    }
    if (previewPath_.isEmpty()) {
        lblLogPreview_->setPlainText("Choose a log file to see how its first line reads.");
        return;
    }
    const LinePreview preview = PreviewLogFile(ChoiceOf(cboLogFormat_, txtLogFormat_), W3cLocalTime(),
                                               Std(previewPath_));
    lblLogPreview_->setPlainText(PreviewText(preview));
}

void SiteProfileDialog::AddDomain() {
    lstDomains_->addItem(QString());
    lstDomains_->setCurrentRow(lstDomains_->count() - 1);
    txtDomain_->setEnabled(true);
    txtDomain_->setFocus();
}

void SiteProfileDialog::RemoveDomain() {
    const int row = lstDomains_->currentRow();
    if (row < 0) return;
    delete lstDomains_->takeItem(row);
    txtDomain_->clear();
    if (lstDomains_->count() == 0) txtDomain_->setEnabled(false);
}

void SiteProfileDialog::SelectionChanged() {
    if (auto* item = lstDomains_->currentItem()) {
        txtDomain_->setText(item->text());
        txtDomain_->setEnabled(true);
    }
}

void SiteProfileDialog::closeEvent(QCloseEvent* event) {
    cancelled_ = true;
    QDialog::closeEvent(event);
}

void SiteProfileDialog::reject() {
    cancelled_ = true;
    QDialog::reject();
}

} // namespace trevix::ui
