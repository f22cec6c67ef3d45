#include "dialogs/DataViewWindow.h"

#include "common/QtText.h"
#include "common/Twips.h"
#include "common/VisitUrl.h"
#include "common/WindowPlacement.h"
#include "engine/Analyser.h"
#include "engine/SettingsStore.h"
#include "engine/analysis/ReferralLists.h"
#include "views/ReportTableModel.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTableView>

namespace trevix::ui {

namespace {
QPointer<DataViewWindow>& TheWindow() {
    static QPointer<DataViewWindow> window;
    return window;
}

QTableView* MakeList(QWidget* parent, const char* name, ReportTableModel* model) {
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->setWordWrap(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

// Default widths when none are stored: the address column takes most of the room.
constexpr int DefaultWidths[2] = {4800, 1300};
} // namespace

DataViewWindow::DataViewWindow(Analyser& a, SettingsStore* store, QWidget* parent)
    : QWidget(parent, Qt::Window), a_(a), store_(store), by_(MakeReferralList("lstReferredBy")),
      to_(MakeReferralList("lstReferredTo")) {
    setObjectName("frmDataView");
    setAttribute(Qt::WA_DeleteOnClose);

    toModel_ = new ReportTableModel(&to_, this);
    byModel_ = new ReportTableModel(&by_, this);
    toView_ = MakeList(this, "lstReferredTo", toModel_);
    byView_ = MakeList(this, "lstReferredBy", byModel_);
    lblTo_ = new QLabel(this);
    lblTo_->setObjectName("lblTo");
    lblBy_ = new QLabel(this);
    lblBy_->setObjectName("lblBy");
    lblTo_->setBuddy(toView_);
    lblBy_->setBuddy(byView_);
    visit_ = new QPushButton("V&isit URL", this);
    visit_->setObjectName("butVisitURL");
    close_ = new QPushButton("Close", this);
    close_->setObjectName("butClose");

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblTo_, 0, 0, 1, 2);
    grid->addWidget(toView_, 1, 0, 1, 2);
    grid->addWidget(lblBy_, 2, 0);
    grid->addWidget(visit_, 2, 1);
    grid->addWidget(byView_, 3, 0, 1, 2);
    grid->addWidget(close_, 4, 1);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(0, 1);

    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(visit_, &QPushButton::clicked, this, &DataViewWindow::VisitSelected);
    connect(byView_, &QAbstractItemView::doubleClicked, this, &DataViewWindow::VisitSelected);
    connect(toView_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { SortClicked(to_, toModel_, section); });
    connect(byView_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { SortClicked(by_, byModel_, section); });

    const int least = TwipsToPixels(3000, this);
    setMinimumSize(least, least);
    resize(TwipsToPixels(7200, this), TwipsToPixels(6000, this));
    RestorePlacement(this, store_, "Referrer", false);
    for (int c = 0; c < 2; ++c) {
        toView_->setColumnWidth(c, TwipsToPixels(StoredTwips(store_, "ReferredToWidth" + std::to_string(c + 1), DefaultWidths[c]), this));
        byView_->setColumnWidth(c, TwipsToPixels(StoredTwips(store_, "ReferredByWidth" + std::to_string(c + 1), DefaultWidths[c]), this));
    }
}

// The lists die before the child views do: the views must stop reading them first.
DataViewWindow::~DataViewWindow() {
    toModel_->SetList(nullptr);
    byModel_->SetList(nullptr);
}

DataViewWindow* DataViewWindow::Instance() { return TheWindow(); }

void DataViewWindow::ShowFile(const QString& file) {
    setWindowTitle(file);
    lblBy_->setText("File referred by... (where visitors came from):");
    lblTo_->setText("File referred to... (where visitors went to / graphics, sounds etc. linked):");
    const std::string name = file.toStdString();
    BuildReferralLists(a_, name, by_, to_);
    toModel_->Reload();
    byModel_->Reload();
    show();
    raise();
    activateWindow();
}

void DataViewWindow::SortClicked(ReportList& list, ReportTableModel* model, int section) {
    SortReferralList(list, section + 1, lastColumn_, a_.NumberFormat);
    model->Reload();
}

void DataViewWindow::VisitSelected() {
    const QModelIndexList rows = byView_->selectionModel()->selectedRows();
    if (rows.isEmpty()) return;
    const std::string_view cell = by_.Cell(static_cast<size_t>(rows.front().row()), 1);
    QString why;
    if (!VisitUrl(Q(cell), why)) emit StatusText(why);
    byView_->setFocus();
}

void DataViewWindow::closeEvent(QCloseEvent* event) {
    SavePlacement(this, store_, "Referrer", false);
    if (store_) {
        for (int c = 0; c < 2; ++c) {
            store_->SaveSetting("Window", "ReferredToWidth" + std::to_string(c + 1),
                                std::to_string(PixelsToTwips(toView_->columnWidth(c), this)));
            store_->SaveSetting("Window", "ReferredByWidth" + std::to_string(c + 1),
                                std::to_string(PixelsToTwips(byView_->columnWidth(c), this)));
        }
    }
    event->accept();
}

DataViewWindow* ShowReferredByTo(Analyser& a, SettingsStore* store, int fileRow, QWidget* parent) {
    const ReportList& files = a.Lists[lstFiles];
    if (fileRow < 0 || static_cast<size_t>(fileRow) >= files.RowCount()) return nullptr;
    if (!TheWindow()) TheWindow() = new DataViewWindow(a, store, parent);
    TheWindow()->ShowFile(Q(files.Cell(static_cast<size_t>(fileRow), 1)));
    return TheWindow();
}

} // namespace trevix::ui
