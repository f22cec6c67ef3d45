#include "panels/SitesPanel.h"

#include "common/Prompter.h"
#include "common/QtText.h"
#include "common/Twips.h"
#include "config/SiteProfiles.h"
#include "dialogs/SiteProfileDialog.h"
#include "engine/lists/ReportLists.h"
#include "panels/ToolButton.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace trevix::ui {

namespace {

// The site list, able to say whether a label is being edited in place: Enter and Delete then
// belong to the editor (an Enter the editor passes on must not also open "Edit Site").
class SiteListWidget : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
};

} // namespace

SitesPanel::SitesPanel(SiteProfileList& profiles, std::function<bool()> busy, QWidget* parent)
    : QWidget(parent), profiles_(profiles), busy_(std::move(busy)) {
    setObjectName("frameSites");
    auto* layout = new QVBoxLayout(this);
    auto* welcome =
        new QLabel("Welcome to Trevix. Choose a site profile from the list below, or create a new one.", this);
    welcome->setWordWrap(true);
    layout->addWidget(welcome);
    auto* bar = new QHBoxLayout;
    tbrNew_ = ToolButton("Toolbar1_new", "New", QStyle::SP_FileIcon, "document-new", this);
    tbrEdit_ = ToolButton("Toolbar1_edit", "Edit", QStyle::SP_FileDialogDetailedView, "document-edit", this);
    tbrDelete_ = ToolButton("Toolbar1_delete", "Delete", QStyle::SP_TrashIcon, "edit-delete", this);
    for (auto* b : {tbrNew_, tbrEdit_, tbrDelete_}) bar->addWidget(b);
    bar->addStretch(1);
    layout->addLayout(bar);
    connect(tbrNew_, &QToolButton::clicked, this, [this] { Command("new"); });
    connect(tbrEdit_, &QToolButton::clicked, this, [this] { Command("edit"); });
    connect(tbrDelete_, &QToolButton::clicked, this, [this] { Command("delete"); });

    lstSites_ = new SiteListWidget(this);
    lstSites_->setObjectName("lstSites");
    lstSites_->setHeaderLabels({"Site", "Domain"});
    lstSites_->setRootIsDecorated(false);
    lstSites_->setUniformRowHeights(true);
    lstSites_->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstSites_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    lstSites_->installEventFilter(this);
    layout->addWidget(lstSites_, 1);
    connect(lstSites_, &QTreeWidget::itemClicked, this, [this] { SiteClicked(); });
    connect(lstSites_, &QTreeWidget::currentItemChanged, this, [this] {
        if (quiet_) return;
        emit CurrentSiteChanged();
        SiteClicked();
    });
    connect(lstSites_, &QTreeWidget::itemDoubleClicked, this, [this] { Command("edit"); });
    connect(lstSites_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (quiet_ || column != 0) return;
        const int p = lstSites_->indexOfTopLevelItem(item) + 1;
        RenameProfile(profiles_, p, Std(item->text(0)));
        SiteClicked();
        emit ProfilesChanged();
    });
}

void SitesPanel::Fill() {
    ++quiet_;
    for (int p = 1; p <= profiles_.NumProfiles(); ++p) {
        auto* item = new QTreeWidgetItem(lstSites_, {Q(profiles_[p].SiteName), Q(DomainsList(profiles_, p))});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    --quiet_;
    if (profiles_.NumProfiles() == 0) {
        tbrEdit_->setEnabled(false);
        tbrDelete_->setEnabled(false);
    } else {
        lstSites_->setCurrentItem(lstSites_->topLevelItem(0));
        SiteClicked();
    }
}

int SitesPanel::CurrentSite() const {
    QTreeWidgetItem* site = lstSites_->currentItem();
    return site ? lstSites_->indexOfTopLevelItem(site) + 1 : 0;
}

QString SitesPanel::CurrentSiteName() const {
    QTreeWidgetItem* site = lstSites_->currentItem();
    return site ? site->text(0) : QString();
}

bool SitesPanel::HasCurrent() const { return lstSites_->currentItem() != nullptr; }

void SitesPanel::ApplyColumnWidths(const ReportList& sites) {
    for (size_t c = 0; c < sites.Columns.size() && c < 2; ++c)
        lstSites_->setColumnWidth(static_cast<int>(c), TwipsToPixels(sites.Columns[c].Width, this));
}

void SitesPanel::StoreColumnWidths(ReportList& sites) const {
    for (size_t c = 0; c < sites.Columns.size() && c < 2; ++c)
        sites.Columns[c].Width = PixelsToTwips(lstSites_->columnWidth(static_cast<int>(c)), this);
}

void SitesPanel::SiteClicked() {
    QTreeWidgetItem* item = lstSites_->currentItem();
    if (!item || !item->isSelected()) return;
    emit SiteChosen(item->text(0));
}

bool SitesPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstSites_ && event->type() == QEvent::KeyPress && !busy_() &&
        !static_cast<SiteListWidget*>(lstSites_)->Editing()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Command("edit");
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            Command("delete");
            return true;
        }
    }
    if (watched == lstSites_ && event->type() == QEvent::KeyRelease) SiteClicked();
    return QWidget::eventFilter(watched, event);
}

void SitesPanel::Command(const QString& key) {
    if (busy_()) return;
    QTreeWidgetItem* current = lstSites_->currentItem();
    const bool selected = current && current->isSelected();
    if (key == "new" || key == "edit") {
        if (key == "edit" && !selected) return;
        const bool isNew = key == "new";
        int p = isNew ? 0 : lstSites_->indexOfTopLevelItem(current) + 1;
        SiteProfileDialog dialog(isNew, window());
        dialog.move(window()->mapToGlobal(geometry().topLeft()) +
                    QPoint(TwipsToPixels(480, this), TwipsToPixels(1000, this)));
        if (!isNew)
            dialog.SetFields(profiles_[p].SiteName, profiles_[p].Domains, profiles_[p].DifferentDomains,
                             profiles_[p].LogFormat, profiles_[p].W3cLocalTime);
        if (!isNew) dialog.SetAnonymise(profiles_[p].Anonymise, profiles_[p].AnonymiseKey);
        dialog.exec();
        if (dialog.Cancelled()) return;
        ++quiet_;
        if (isNew) {
            p = NewProfile(profiles_, dialog.SiteName(), dialog.Domains(), dialog.DifferentDomains(),
                           dialog.LogFormat(), dialog.W3cLocalTime());
            auto* item = new QTreeWidgetItem(lstSites_);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        } else {
            EditProfile(profiles_, p, dialog.SiteName(), dialog.Domains(), dialog.DifferentDomains(),
                        dialog.LogFormat(), dialog.W3cLocalTime());
        }
        profiles_[p].Anonymise = dialog.Anonymise();
        profiles_[p].AnonymiseKey = dialog.AnonymiseKey();
        QTreeWidgetItem* row = lstSites_->topLevelItem(p - 1);
        row->setText(0, Q(profiles_[p].SiteName));
        row->setText(1, Q(DomainsList(profiles_, p)));
        // The site just made is the one the next run is for.
        if (isNew) lstSites_->setCurrentItem(row);
        --quiet_;
        tbrEdit_->setEnabled(true);
        tbrDelete_->setEnabled(true);
        emit SitesChanged(true);
        if (isNew) emit CurrentSiteChanged();
        SiteClicked();
        emit ProfilesChanged();
        return;
    }
    if (key == "delete") {
        if (!selected) return;
        if (!CurrentPrompter().YesNo(window(), MessageIcon::Question, "Trevix",
                                     "Are you sure you want to delete this site profile?", DefaultAnswer::No))
            return;
        const int p = lstSites_->indexOfTopLevelItem(current) + 1;
        DeleteProfile(profiles_, p);
        ++quiet_;
        delete lstSites_->takeTopLevelItem(p - 1);
        --quiet_;
        if (lstSites_->topLevelItemCount() == 0) {
            tbrEdit_->setEnabled(false);
            tbrDelete_->setEnabled(false);
            emit SitesChanged(false);
        } else {
            SiteClicked();   // the caption names the site now selected
        }
        emit CurrentSiteChanged();
        emit ProfilesChanged();
    }
}

} // namespace trevix::ui
