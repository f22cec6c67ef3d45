#include "views/ReportListView.h"

#include "common/QtText.h"
#include "engine/Analyser.h"
#include "engine/lists/ListSorting.h"
#include "views/ReportTableModel.h"
#include "common/Twips.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>
#include <unordered_set>
#include <utility>

namespace trevix::ui {

namespace {
ReportList* ListOf(Analyser& a, int listNum) {
    return listNum == 0 ? &a.Lists.Pages : a.Lists.ListNumber(listNum);
}

// Selected rows as sorted, merged [first, last] runs: a million selected rows stay a few runs.
std::vector<std::pair<int, int>> SelectedRuns(const QItemSelectionModel* selection) {
    std::vector<std::pair<int, int>> runs;
    if (!selection) return runs;
    for (const QItemSelectionRange& range : selection->selection())
        if (range.isValid()) runs.emplace_back(range.top(), range.bottom());
    std::sort(runs.begin(), runs.end());
    std::vector<std::pair<int, int>> merged;
    for (const auto& run : runs) {
        if (!merged.empty() && run.first <= merged.back().second + 1)
            merged.back().second = std::max(merged.back().second, run.second);
        else
            merged.push_back(run);
    }
    return merged;
}
} // namespace

ReportListView::ReportListView(QWidget* parent) : QTableView(parent) {
    model_ = new ReportTableModel(nullptr, this);
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setShowGrid(false);
    setAlternatingRowColors(true);
    // One row height for every row: a million rows scroll without measuring any of them.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);   // StretchLastColumn: never narrower than its own width
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { emit RowDoubleClicked(index.row()); });
    connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
        if (!analyser_ || !List()) return;
        SortByColumn(section);
        emit Sorted();
    });
    connect(header, &QHeaderView::sectionResized, this, [this](int section, int, int newSize) {
        ReportList* list = List();
        if (applyingWidths_ || !list || section < 0 || section >= static_cast<int>(list->Columns.size()))
            return;
        ListColumn& c = list->Columns[static_cast<size_t>(section)];
        c.Width = PixelsToTwips(newSize, this);
        c.FitToContents = false;   // the user's width wins
        StretchLastColumn();
    });
}

ReportList* ReportListView::List() const { return model_->List(); }

void ReportListView::Attach(Analyser& a, int listNum) {
    analyser_ = &a;
    listNum_ = listNum;
    ReportList* list = ListOf(a, listNum);
    applyingWidths_ = true;
    model_->SetList(list);
    applyingWidths_ = false;
    sortedHere_ = false;
    if (list) setObjectName(Q(list->Name));
    ApplyColumnWidths();
    UpdateSortIndicator();
}

void ReportListView::Reload() {
    applyingWidths_ = true;
    model_->Reload();
    applyingWidths_ = false;
    // New columns (a comparison) take their widths from the list; existing ones keep theirs.
    if (model_->columnCount() != shownColumns_)
        ApplyColumnWidths();
    else
        FitColumns();
    UpdateSortIndicator();
}

void ReportListView::ApplyColumnWidths() {
    ReportList* list = List();
    shownColumns_ = model_->columnCount();
    if (!list) return;
    applyingWidths_ = true;
    for (size_t i = 0; i < list->Columns.size(); ++i)
        setColumnWidth(static_cast<int>(i), TwipsToPixels(list->Columns[i].Width, this));
    applyingWidths_ = false;
    FitColumns();
    StretchLastColumn();
}

bool ReportListView::IsStretchedColumn(int column) const { return column == model_->columnCount() - 1; }

void ReportListView::StretchLastColumn() {
    ReportList* list = List();
    const int last = model_->columnCount() - 1;
    if (!list || last < 0 || last >= static_cast<int>(list->Columns.size())) return;
    int others = 0;
    for (int column = 0; column < last; ++column)
        if (!isColumnHidden(column)) others += columnWidth(column);
    const ListColumn& c = list->Columns[static_cast<size_t>(last)];
    const int own = c.FitToContents ? ContentsWidth(last) : TwipsToPixels(c.Width, this);
    applyingWidths_ = true;
    setColumnWidth(last, std::max(own, viewport()->width() - others));
    applyingWidths_ = false;
}

void ReportListView::updateGeometries() {
    QTableView::updateGeometries();
    StretchLastColumn();
}

int ReportListView::ContentsWidth(int column) const {
    constexpr int MostPixels = 400;
    constexpr int RowsMeasured = 200;
    const QStyle* s = style();
    // The header's text, its margins and room for the sort arrow.
    const QFontMetrics headerFont(horizontalHeader()->font());
    int width = headerFont.horizontalAdvance(model_->headerData(column, Qt::Horizontal).toString()) +
                4 * s->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) +
                s->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, this);
    // A cell's text and the item's margins on both sides, with a little air.
    const int cellMargins = 2 * (s->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) + 8;
    const QFontMetrics cellFont = fontMetrics();
    const int rows = std::min(model_->rowCount(), RowsMeasured);
    for (int row = 0; row < rows && width < MostPixels; ++row)
        width = std::max(width, cellFont.horizontalAdvance(model_->CellText(row, column)) + cellMargins);
    return std::min(width, MostPixels);
}

void ReportListView::FitColumns() {
    ReportList* list = List();
    if (!list) return;
    const bool filled = model_->rowCount() > 0;
    applyingWidths_ = true;
    for (size_t i = 0; i < list->Columns.size(); ++i) {
        ListColumn& c = list->Columns[i];
        if (!c.FitToContents) continue;
        const int width = ContentsWidth(static_cast<int>(i));
        setColumnWidth(static_cast<int>(i), width);
        // An empty list shows its headers whole; its first rows size it for good.
        if (filled) {
            c.Width = PixelsToTwips(width, this);
            c.FitToContents = false;
        }
    }
    applyingWidths_ = false;
    StretchLastColumn();
}

void ReportListView::StoreColumnWidths() {
    ReportList* list = List();
    if (!list) return;
    for (size_t i = 0; i < list->Columns.size(); ++i) {
        // A column not sized yet keeps what the settings said; the stretched last column
        // keeps its own width, not the view's leftover.
        if (list->Columns[i].FitToContents || IsStretchedColumn(static_cast<int>(i))) continue;
        list->Columns[i].Width = PixelsToTwips(columnWidth(static_cast<int>(i)), this);
    }
}

void ReportListView::UpdateSortIndicator() {
    ReportList* list = List();
    QHeaderView* header = horizontalHeader();
    // A list nobody sorted is in the run's order; an arrow on its first column would mislead.
    const bool sorted = list && (sortedHere_ || list->Sorted || list->SortKey != 0 || list->SortOrder != 0);
    header->setSortIndicatorShown(sorted);
    if (sorted)
        header->setSortIndicator(list->SortKey, list->SortOrder == 1 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void ReportListView::SortByColumn(int column) {
    ReportList* list = List();
    if (!analyser_ || !list || column < 0 || column >= static_cast<int>(list->Columns.size())) return;

    // The selection and the focused row follow their rows to the new places.
    std::unordered_set<int64_t> selected;
    for (const auto& [first, last] : SelectedRuns(selectionModel()))
        for (int row = first; row <= last; ++row) selected.insert(list->Rows[static_cast<size_t>(row)].ItemData);
    const int current = CurrentRow();
    const int64_t currentItem = current >= 0 ? list->Rows[static_cast<size_t>(current)].ItemData : 0;

    int order = -1;
    SortList(*list, column + 1, order, analyser_->NumberFormat);
    sortedHere_ = true;
    Reload();

    // The view shows the selected row in its new place, or with none selected the top: the
    // old scroll position would show unrelated rows in the middle of the new order.
    if (selected.empty()) {
        if (current >= 0)
            selectionModel()->setCurrentIndex(model_->index(0, 0), QItemSelectionModel::NoUpdate);
        scrollToTop();
        return;
    }
    QItemSelection selection;
    int newCurrent = -1;
    int firstSelected = -1;
    const int columns = model_->columnCount();
    int runStart = -1;
    const int rows = static_cast<int>(list->Rows.size());
    for (int row = 0; row <= rows; ++row) {
        const bool in = row < rows && selected.count(list->Rows[static_cast<size_t>(row)].ItemData) > 0;
        if (row < rows && current >= 0 && list->Rows[static_cast<size_t>(row)].ItemData == currentItem)
            newCurrent = row;
        if (in && firstSelected < 0) firstSelected = row;
        if (in && runStart < 0) runStart = row;
        if (!in && runStart >= 0) {
            selection.select(model_->index(runStart, 0), model_->index(row - 1, columns - 1));
            runStart = -1;
        }
    }
    if (newCurrent >= 0)
        selectionModel()->setCurrentIndex(model_->index(newCurrent, 0), QItemSelectionModel::NoUpdate);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    const bool currentSelected = newCurrent >= 0 && selected.count(currentItem) > 0;
    scrollTo(model_->index(currentSelected ? newCurrent : firstSelected, 0));
}

int ReportListView::CurrentRow() const {
    QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : -1;
}

std::vector<int> ReportListView::SelectedRows() const {
    std::vector<int> rows;
    for (const auto& [first, last] : SelectedRuns(selectionModel()))
        for (int row = first; row <= last; ++row) rows.push_back(row);
    return rows;
}

QString ReportListView::SelectedRowsText() const {
    QString text;
    const int columns = model_->columnCount();
    for (const auto& [first, last] : SelectedRuns(selectionModel())) {
        for (int row = first; row <= last; ++row) {
            bool firstCell = true;
            for (int column = 0; column < columns; ++column) {
                if (isColumnHidden(column)) continue;
                if (!firstCell) text += u'\t';
                firstCell = false;
                QString cell = model_->CellText(row, column);
                // A tab or line break inside a cell would split it into two cells or rows.
                for (QChar& c : cell)
                    if (c == u'\t' || c == u'\n' || c == u'\r') c = u' ';
                text += cell;
            }
            text += u'\n';
        }
    }
    return text;
}

void ReportListView::CopySelection() const {
    const QString text = SelectedRowsText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

int ReportListView::SelectedRowOrNone() const {
    const QModelIndex index = currentIndex();
    if (index.isValid() && selectionModel() && selectionModel()->isRowSelected(index.row(), {}))
        return index.row();
    const std::vector<std::pair<int, int>> runs = SelectedRuns(selectionModel());
    return runs.empty() ? -1 : runs.front().first;
}

bool ReportListView::event(QEvent* event) {
    // Ctrl+C copies this list's rows even when the window binds the keys to a command.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event) == QKeySequence::Copy) {
        event->accept();
        return true;
    }
    return QTableView::event(event);
}

void ReportListView::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        CopySelection();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ReportListView::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton)
        emit ContextMenuRequested(SelectedRowOrNone(), event->globalPosition().toPoint());
}

void ReportListView::contextMenuEvent(QContextMenuEvent* event) {
    // The mouse's menu comes with the button's release; the keyboard's menu key comes here.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const int row = SelectedRowOrNone();
        QPoint at = viewport()->rect().topLeft();
        if (row >= 0) at = visualRect(model_->index(row, 0)).center();
        emit ContextMenuRequested(row, viewport()->mapToGlobal(at));
    }
    event->accept();
}

} // namespace trevix::ui
