#include "views/ReportListView.h"

#include "engine/Analyser.h"
#include "engine/ListSorting.h"
#include "views/ReportTableModel.h"
#include "views/Twips.h"

#include <QHeaderView>

namespace trevix::ui {

namespace {
ReportList* ListOf(Analyser& a, int listNum) {
    return listNum == 0 ? &a.Lists.Pages : a.Lists.ListNumber(listNum);
}
} // namespace

ReportListView::ReportListView(QWidget* parent) : QTableView(parent) {
    model_ = new ReportTableModel(nullptr, this);
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->hide();
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit RowDoubleClicked(index.row()); });
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (!analyser_) return;
        int order = -1;
        SortList(*ListOf(*analyser_, listNum_), section + 1, order, analyser_->Loc);
        model_->Reload();
        emit Sorted();
    });
}

void ReportListView::Attach(Analyser& a, int listNum) {
    analyser_ = &a;
    listNum_ = listNum;
    ReportList* list = ListOf(a, listNum);
    model_->SetList(list);
    if (list) setObjectName(QString::fromStdString(list->Name));
}

void ReportListView::Reload() { model_->Reload(); }

void ReportListView::ApplyColumnWidths() {
    ReportList* list = model_->List();
    if (!list) return;
    for (size_t i = 0; i < list->Columns.size(); ++i)
        setColumnWidth(static_cast<int>(i), TwipsToPixels(list->Columns[i].Width, this));
}

void ReportListView::StoreColumnWidths() {
    ReportList* list = model_->List();
    if (!list) return;
    for (size_t i = 0; i < list->Columns.size(); ++i)
        list->Columns[i].Width = PixelsToTwips(columnWidth(static_cast<int>(i)), this);
}

int ReportListView::CurrentRow() const {
    QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : -1;
}

std::vector<int> ReportListView::SelectedRows() const {
    std::vector<int> rows;
    if (!selectionModel()) return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace trevix::ui
