#include "dialogs/SiteProfileDialog.h"

#include "common/DialogButtons.h"
#include "common/QtText.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace trevix::ui {

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
    layout->addWidget(frame, 1);

    chkDifferentDomains_ = new QCheckBox("Show separate domains in the Files report", this);
    chkDifferentDomains_->setObjectName("chkDifferentDomains");
    layout->addWidget(chkDifferentDomains_);

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
    connect(ok, &QPushButton::clicked, this, [this] {
        cancelled_ = false;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &SiteProfileDialog::reject);
    resize(420, 360);
}

void SiteProfileDialog::SetFields(const std::string& siteName, const std::vector<std::string>& domains,
                                  bool different) {
    txtSitename_->setText(Q(siteName));
    lstDomains_->clear();
    for (const std::string& d : domains) lstDomains_->addItem(Q(d));
    chkDifferentDomains_->setChecked(different);
}

std::string SiteProfileDialog::SiteName() const { return txtSitename_->text().toStdString(); }

std::vector<std::string> SiteProfileDialog::Domains() const {
    std::vector<std::string> out;
    for (int i = 0; i < lstDomains_->count(); ++i) out.push_back(lstDomains_->item(i)->text().toStdString());
    return out;
}

bool SiteProfileDialog::DifferentDomains() const { return chkDifferentDomains_->isChecked(); }

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
