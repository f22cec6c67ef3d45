#include "pages/ConversionsPage.h"

#include "common/QtText.h"
#include "common/VisitUrl.h"
#include "config/QtSettingsStore.h"
#include "config/SiteProfiles.h"
#include "engine/Analyser.h"
#include "engine/analysis/Conversions.h"
#include "views/ReportListView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedLayout>
#include <QVBoxLayout>
#include <algorithm>

namespace trevix::ui {

ConversionsPage::ConversionsPage(Analyser& a, SettingsStore* store, QWidget* parent)
    : QWidget(parent), a_(a), store_(store) {
    setObjectName("Conversions");

    auto* forLabel = new QLabel("Conversions for:", this);
    files_ = new QComboBox(this);
    files_->setObjectName("lstConversionFile");
    files_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    files_->setMinimumContentsLength(30);
    forLabel->setBuddy(files_);
    auto_ = new QCheckBox("Automatically generate report for this file", this);
    auto_->setObjectName("chkAutoGenerateConversionReport");
    auto_->setEnabled(false);

    const char* captions[3] = {"Referrer", "Search Term", "Entry Page"};
    auto* optionRow = new QHBoxLayout;
    auto* stack = new QStackedLayout;
    for (int k = 0; k < 3; ++k) {
        options_[k] = new QRadioButton(captions[k], this);
        options_[k]->setObjectName(QString("optConversions%1").arg(k));
        optionRow->addWidget(options_[k]);
        connect(options_[k], &QRadioButton::toggled, this, [this, k](bool on) { if (on) ShowKind(k); });
        lists_[k] = new ReportListView(this);
        lists_[k]->Attach(a_, lstConversions0 + k);
        lists_[k]->ApplyColumnWidths();
        lists_[k]->setWordWrap(false);
        lists_[k]->verticalHeader()->setDefaultSectionSize(lists_[k]->fontMetrics().height() + 6);
        stack->addWidget(lists_[k]);
        connect(lists_[k], &ReportListView::RowDoubleClicked, this, [this, k](int row) { RowDoubleClicked(k, row); });
    }
    optionRow->addStretch();
    visit_ = new QPushButton("&Visit URL", this);
    visit_->setObjectName("butVisitURL2");
    optionRow->addWidget(visit_);

    auto* top = new QHBoxLayout;
    top->addWidget(forLabel);
    top->addWidget(files_, 1);
    top->addWidget(auto_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(optionRow);
    layout->addLayout(stack, 1);
    stackLayout_ = stack;

    connect(files_, &QComboBox::activated, this, &ConversionsPage::FileChosen);
    connect(auto_, &QCheckBox::clicked, this, &ConversionsPage::AutoToggled);
    connect(visit_, &QPushButton::clicked, this, &ConversionsPage::VisitUrlClicked);
    options_[0]->setChecked(true);
    Reload();
}

void ConversionsPage::SetProfiles(SiteProfileList* profiles, std::function<int()> selectedProfile) {
    profiles_ = profiles;
    selectedProfile_ = std::move(selectedProfile);
    RefreshAutoBox();
}

void ConversionsPage::ShowKind(int kind) {
    if (kind < 0 || kind > 2) return;
    kind_ = kind;
    if (!options_[kind]->isChecked()) options_[kind]->setChecked(true);
    stackLayout_->setCurrentIndex(kind);
    lists_[kind]->raise();
    visit_->setEnabled(kind != 2);
}

void ConversionsPage::LetGo() {
    for (ReportListView* list : lists_) list->Attach(a_, -1);
}

void ConversionsPage::Reload() {
    filling_ = true;
    for (int k = 0; k < 3; ++k)
        if (lists_[k]->ListNumber() != lstConversions0 + k) lists_[k]->Attach(a_, lstConversions0 + k);
    files_->clear();
    for (const std::string& f : a_.Lists.ConversionFiles) files_->addItem(Q(f));
    files_->setCurrentIndex(a_.Lists.ConversionFileIndex);
    for (ReportListView* list : lists_) list->Reload();
    filling_ = false;
    RefreshAutoBox();
}

void ConversionsPage::RefreshAutoBox() {
    filling_ = true;
    bool ticked = a_.Lists.AutoConversionChecked;
    const int p = selectedProfile_ ? selectedProfile_() : 0;
    const int index = files_->currentIndex();
    if (profiles_ && profiles_->IsValid(p) && index >= 0)
        ticked = AutoConversionReportPosition((*profiles_)[p], files_->itemText(index).toStdString()) != 0;
    auto_->setChecked(ticked);
    auto_->setEnabled(a_.Lists.AutoConversionEnabled && index >= 0);
    filling_ = false;
}

void ConversionsPage::ShowConversionReport(const QString& file) {
    emit PageWanted();
    GenerateConversionsReport(a_, file.toStdString(), true);
    Reload();
}

void ConversionsPage::FileChosen(int index) {
    if (filling_ || index < 0) return;
    if (index + 1 != a_.Tables.CurrentConversionReport) {
        DisplayConversionsReport(a_, index + 1);
        Reload();
    }
}

void ConversionsPage::AutoToggled(bool ticked) {
    if (filling_) return;
    const int index = files_->currentIndex();
    const int p = selectedProfile_ ? selectedProfile_() : 0;
    if (!profiles_ || !store_ || index < 0 || !profiles_->IsValid(p)) return;
    const std::string file = files_->itemText(index).toStdString();
    SetAutoConversionReport(*store_, *profiles_, p, file, ticked);
    // The list must survive a crash or a second instance: put it on disk now.
    if (auto* qt = dynamic_cast<QtSettingsStore*>(store_)) qt->Sync();
    a_.Lists.AutoConversionChecked = ticked;
}

void ConversionsPage::VisitUrlClicked() {
    if (kind_ == 2) return;
    ReportListView* list = lists_[kind_];
    const int row = list->CurrentRow();
    if (row < 0 || list->SelectedRows().empty()) return;
    QString why;
    if (!VisitReportRow(a_, lstConversions0 + kind_, row, why) && !why.isEmpty()) emit StatusText(why);
    list->setFocus();
}

void ConversionsPage::RowDoubleClicked(int kind, int row) {
    if (kind == 2 || row < 0) return;
    QString why;
    if (!VisitReportRow(a_, lstConversions0 + kind, row, why) && !why.isEmpty()) emit StatusText(why);
}

} // namespace trevix::ui
