#include "dialogs/VisitorWindow.h"

#include "common/QtText.h"
#include "common/Twips.h"
#include "common/WindowPlacement.h"
#include "engine/Analyser.h"
#include "engine/SettingsStore.h"
#include "engine/analysis/VisitorPass.h"
#include "views/ReportListView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <unordered_set>

namespace trevix::ui {

namespace {
QPointer<VisitorWindow>& TheWindow() {
    static QPointer<VisitorWindow> window;
    return window;
}

std::string WidthKey(size_t column) { return "VisitorPagesWidth" + std::to_string(column + 1); }
} // namespace

VisitorWindow::VisitorWindow(Analyser& a, SettingsStore* store, QWidget* parent)
    : QWidget(parent, Qt::Window), a_(a), store_(store) {
    setObjectName("frmVisitor");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Visitor Report");

    auto* summaryLabel = new QLabel("Summary", this);
    summary_ = new QPlainTextEdit(this);
    summary_->setObjectName("txtSummary");
    summary_->setReadOnly(true);
    summary_->setLineWrapMode(QPlainTextEdit::NoWrap);
    summaryLabel->setBuddy(summary_);
    pages_ = new ReportListView(this);
    pages_->Attach(a_, 0);
    // One line per request: dates and addresses are easier to scan unbroken.
    pages_->setWordWrap(false);
    pages_->verticalHeader()->setDefaultSectionSize(pages_->fontMetrics().height() + 6);
    close_ = new QPushButton("Close", this);
    close_->setObjectName("butClose");
    connect(close_, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summaryLabel);
    // The summary keeps its height; the request list takes what the window grows by.
    summary_->setFixedHeight(TwipsToPixels(1500, this));
    layout->addWidget(summary_);
    layout->addWidget(pages_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close_);
    layout->addLayout(buttons);

    setMinimumSize(TwipsToPixels(4000, this), TwipsToPixels(4500, this));
    resize(TwipsToPixels(9600, this), TwipsToPixels(7200, this));
    RestorePlacement(this, store_, "Visitor", true);
    ReportList& list = a_.Lists.Pages;
    for (size_t c = 0; c < list.Columns.size(); ++c) {
        list.Columns[c].Width = StoredTwips(store_, WidthKey(c), 1440);
        // No stored width: the first visitor's pages size the column.
        list.Columns[c].FitToContents = !store_ || store_->GetSetting("Window", WidthKey(c), "X") == "X";
    }
    pages_->ApplyColumnWidths();
}

VisitorWindow* VisitorWindow::Instance() { return TheWindow(); }

void VisitorWindow::ShowRows(const std::vector<int>& rows) {
    const ReportList& ips = a_.Lists[lstIPs];
    std::vector<std::string> addresses;
    for (int row : rows)
        if (row >= 0 && static_cast<size_t>(row) < ips.RowCount()) addresses.emplace_back(ips.Cell(static_cast<size_t>(row), 1));
    if (!ShowAddresses(addresses)) return;
    show();
    raise();
    activateWindow();
}

bool VisitorWindow::ShowAddresses(const std::vector<std::string>& addresses) {
    if (addresses.empty()) return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    summary_->clear();
    VisitorReport report = BuildVisitorReport(a_, addresses);
    pages_->Reload();
    QString text = Q(report.Summary);
    text.replace("\r\n", "\n");
    summary_->setPlainText(text);
    setWindowTitle(Q(report.Caption));
    addresses_ = addresses;
    QApplication::restoreOverrideCursor();
    return true;
}

void VisitorWindow::LetGo() { pages_->Attach(a_, -1); }

void VisitorWindow::TakeBack() {
    pages_->Attach(a_, 0);
    // A new run or a loaded report may no longer hold a visitor shown here.
    std::unordered_set<std::string_view> inReport;
    const ReportList& ips = a_.Lists[lstIPs];
    for (size_t r = 0; r < ips.RowCount(); ++r) inReport.emplace(ips.Cell(r, 1));
    std::vector<std::string> still;
    for (const std::string& ip : addresses_)
        if (inReport.count(ip)) still.push_back(ip);
    if (!ShowAddresses(still)) {
        a_.Lists.Pages.Clear();
        pages_->Reload();
        close();
        return;
    }
    pages_->ApplyColumnWidths();
}

void VisitorWindow::closeEvent(QCloseEvent* event) {
    SavePlacement(this, store_, "Visitor", true);
    pages_->StoreColumnWidths();
    if (store_) {
        const ReportList& list = a_.Lists.Pages;
        for (size_t c = 0; c < list.Columns.size(); ++c)
            if (!list.Columns[c].FitToContents)
                store_->SaveSetting("Window", WidthKey(c), std::to_string(list.Columns[c].Width));
    }
    event->accept();
}

void ShowVisitorReport(Analyser& a, SettingsStore* store, const std::vector<int>& rows, QWidget* parent) {
    if (rows.empty()) return;
    if (!TheWindow()) TheWindow() = new VisitorWindow(a, store, parent);
    TheWindow()->ShowRows(rows);
}

} // namespace trevix::ui
