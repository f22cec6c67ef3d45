#include "pages/ReportPanel.h"

#include "pages/ReportPages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <utility>

namespace trevix::ui {

ReportPanel::ReportPanel(Analyser& a, SettingsStore* store, SiteProfileList* profiles,
                         std::function<int()> currentSite, QWidget* parent)
    : QWidget(parent) {
    setObjectName("frameReport");
    auto* layout = new QVBoxLayout(this);
    pages_ = new ReportPages(a, store, profiles, std::move(currentSite), this);
    layout->addWidget(pages_, 1);

    bottom_ = new QHBoxLayout;
    lblViewErrors_ = new QLabel("<a href=\"log\">Errors found in log file. Click here for details</a>", this);
    lblViewErrors_->setObjectName("lblViewErrors");
    lblViewErrors_->setTextFormat(Qt::RichText);
    lblViewErrors_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    lblViewErrors_->setVisible(false);
    connect(lblViewErrors_, &QLabel::linkActivated, this, &ReportPanel::ProcessLogWanted);
    bottom_->addWidget(lblViewErrors_);
    bottom_->addStretch(1);
    layout->addLayout(bottom_);
}

void ReportPanel::SetArrows(QWidget* arrows) {
    bottom_->addWidget(arrows);
}

void ReportPanel::ShowErrorsLink(bool visible) {
    lblViewErrors_->setVisible(visible);
}

} // namespace trevix::ui
