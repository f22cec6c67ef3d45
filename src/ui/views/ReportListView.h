#pragma once
// A report list on screen: a QTableView over one ReportList of the engine, shown in place
// (the engine's list stays the single truth). A header click sorts through the engine's
// SortList with the column-click rule; column widths are kept in the list's columns (twips).
#include <QTableView>
#include <vector>

namespace trevix {
class Analyser;
class ReportList;
}

namespace trevix::ui {

class ReportTableModel;

class ReportListView : public QTableView {
    Q_OBJECT
public:
    explicit ReportListView(QWidget* parent = nullptr);

    // Shows list number listNum (1..16) of a.Lists, or the visitor window's page list when
    // listNum is 0. The view's objectName becomes the list's name ("lstFiles").
    void Attach(Analyser& a, int listNum);
    int ListNumber() const { return listNum_; }
    ReportList* List() const;
    ReportTableModel* TableModel() const { return model_; }

    // The engine changed the rows or columns (analysis, load, comparison, sort): show them.
    void Reload();
    // Column widths from the list's columns (twips) to the screen, and back. A column the
    // user resizes is written to the list at once. A column with no stored width is sized to
    // its header and first rows when the list is first filled; the last column takes the
    // rest of the view.
    void ApplyColumnWidths();
    void StoreColumnWidths();
    // The width (pixels) that shows a column's header and its first rows, at most 400.
    int ContentsWidth(int column) const;

    // The focused row as an engine row index, or -1; the selected rows in list order.
    int CurrentRow() const;
    std::vector<int> SelectedRows() const;

    // What a header click on the 0-based column does: the engine's SortList with order -1.
    void SortByColumn(int column);
    // The selected rows as tab-separated text, one line per row, cells as shown.
    QString SelectedRowsText() const;
    // Puts SelectedRowsText on the clipboard (Ctrl+C).
    void CopySelection() const;

signals:
    void RowDoubleClicked(int row);
    // The right button was released over the list; row is the selected row or -1.
    void ContextMenuRequested(int row, const QPoint& globalPos);
    // The user sorted the list by a header click.
    void Sorted();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void updateGeometries() override;

    Analyser* analyser_ = nullptr;
    int listNum_ = -1;
    ReportTableModel* model_ = nullptr;

private:
    void UpdateSortIndicator();
    void FitColumns();
    bool IsStretchedColumn(int column) const;
    // The last column takes what the view has left, and never less than its own width.
    void StretchLastColumn();
    int SelectedRowOrNone() const;

    bool applyingWidths_ = false;
    bool sortedHere_ = false;
    int shownColumns_ = 0;
};

} // namespace trevix::ui
