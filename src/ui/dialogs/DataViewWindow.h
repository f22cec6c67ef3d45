#pragma once
// Referred by / referred to: for one requested file, the pages its visitors came from and the
// files it led to (pages linked, graphics embedded). One window, reused; not modal.
#include "engine/lists/ReportLists.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;

namespace trevix {
class Analyser;
class SettingsStore;
}

namespace trevix::ui {

class ReportTableModel;

class DataViewWindow : public QWidget {
    Q_OBJECT
public:
    DataViewWindow(Analyser& a, SettingsStore* store, QWidget* parent = nullptr);
    ~DataViewWindow() override;

    // Builds both lists for file (as lstFiles shows it) and shows the window.
    void ShowFile(const QString& file);
    const ReportList& ReferredBy() const { return by_; }
    const ReportList& ReferredTo() const { return to_; }
    static DataViewWindow* Instance();

signals:
    void StatusText(const QString& text);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SortClicked(ReportList& list, ReportTableModel* model, int section);
    void VisitSelected();

    Analyser& a_;
    SettingsStore* store_;
    ReportList by_;
    ReportList to_;
    int lastColumn_ = 0;   // the window remembers one last sorted column for both lists
    QTableView* byView_;
    QTableView* toView_;
    ReportTableModel* byModel_;
    ReportTableModel* toModel_;
    QLabel* lblBy_;
    QLabel* lblTo_;
    QPushButton* visit_;
    QPushButton* close_;
};

// "&Referred by/to..." and a double click on lstFiles: the view for row fileRow (0-based).
// Nothing happens for a row that does not exist.
DataViewWindow* ShowReferredByTo(Analyser& a, SettingsStore* store, int fileRow, QWidget* parent);

} // namespace trevix::ui
