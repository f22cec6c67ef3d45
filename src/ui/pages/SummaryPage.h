#pragma once
// The "Summary" report page: the summary text, and the date and hour statistics as tables or
// as graphs.
#include <QWidget>
#include <functional>

class QPlainTextEdit;
class QRadioButton;

namespace trevix {
class ReportLists;
class SettingsStore;
}

namespace trevix::ui {

class ReportChart;
class ReportListView;

class SummaryPage : public QWidget {
    Q_OBJECT
public:
    // makeList builds the view of a list number on a parent.
    SummaryPage(const std::function<ReportListView*(int, QWidget*)>& makeList, QWidget* parent = nullptr);

    void SetSummary(const QString& text);
    // The summary and both charts of the lists shown.
    void ShowLists(const ReportLists& lists);
    void ClearCharts();
    bool TablesShown() const;
    void ShowTables(bool tables);
    ReportChart* DateChart() const { return chtDate_; }
    ReportChart* HourChart() const { return chtHour_; }

private:
    void ShowTableOrGraph();

    QPlainTextEdit* txtHits_ = nullptr;
    QRadioButton* optList_ = nullptr;
    QRadioButton* optGraph_ = nullptr;
    ReportListView* hits_ = nullptr;
    ReportListView* hours_ = nullptr;
    ReportChart* chtDate_ = nullptr;
    ReportChart* chtHour_ = nullptr;
};

} // namespace trevix::ui
