#include "pages/SummaryPage.h"

#include "engine/lists/ReportLists.h"
#include "views/ReportChart.h"
#include "views/ReportListView.h"
#include "window/ShownSummary.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace trevix::ui {

SummaryPage::SummaryPage(const std::function<ReportListView*(int, QWidget*)>& makeList, QWidget* parent)
    : QWidget(parent) {
    auto* l = new QVBoxLayout(this);
    txtHits_ = new QPlainTextEdit(this);
    txtHits_->setObjectName("txtHits");
    txtHits_->setReadOnly(true);
    txtHits_->setMaximumHeight(150);
    l->addWidget(txtHits_);
    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel("Display date and hour statistics as:", this));
    optList_ = new QRadioButton("&Tables", this);
    optList_->setObjectName("optList");
    optGraph_ = new QRadioButton("&Graphs", this);
    optGraph_->setObjectName("optGraph");
    choice->addWidget(optList_);
    choice->addWidget(optGraph_);
    choice->addStretch(1);
    l->addLayout(choice);
    auto* both = new QHBoxLayout;
    hits_ = makeList(lstHits, this);
    hours_ = makeList(lstHour, this);
    both->addWidget(hits_, 3);
    both->addWidget(hours_, 2);
    chtDate_ = new ReportChart(this);
    chtDate_->setObjectName("chtDate");
    chtHour_ = new ReportChart(this);
    chtHour_->setObjectName("chtHour");
    chtDate_->SetCaptions("Visitors by Date", "Date", "Visitors");
    chtHour_->SetCaptions("Visitors by Hour", "Hour", "Visitors");
    chtHour_->SetSetNames({"this report", "compared report"});
    // The hour chart's 24 bars need the room more than a few dates do.
    both->addWidget(chtDate_, 1);
    both->addWidget(chtHour_, 1);
    l->addLayout(both, 1);
    connect(optList_, &QRadioButton::toggled, this, &SummaryPage::ShowTableOrGraph);
}

void SummaryPage::SetSummary(const QString& text) { txtHits_->setPlainText(text); }

void SummaryPage::ShowLists(const ReportLists& lists) {
    txtHits_->setPlainText(ShownSummary(lists.Summary));
    chtDate_->ShowSeries(lists.DateChart);
    chtHour_->ShowSeries(lists.HourChart);
}

void SummaryPage::ClearCharts() {
    ChartSeries none;
    chtDate_->ShowSeries(none);
    chtHour_->ShowSeries(none);
}

bool SummaryPage::TablesShown() const { return optList_->isChecked(); }

void SummaryPage::ShowTables(bool tables) {
    (tables ? optList_ : optGraph_)->setChecked(true);
    ShowTableOrGraph();
}

void SummaryPage::ShowTableOrGraph() {
    const bool tables = optList_->isChecked();
    hits_->setVisible(tables);
    hours_->setVisible(tables);
    chtDate_->setVisible(!tables);
    chtHour_->setVisible(!tables);
}

} // namespace trevix::ui
