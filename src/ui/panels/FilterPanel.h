#pragma once
// The filter step: which entries the analysis takes, by raw log text, requested file and
// date; the text boxes offer the recently used filters.
#include <QDate>
#include <QWidget>
#include <array>
#include <utility>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

namespace trevix {
struct EntryFilters;
struct RecentLists;
}

namespace trevix::ui {

class FilterPanel : public QWidget {
    Q_OBJECT
public:
    explicit FilterPanel(QWidget* parent = nullptr);

    // Every filter off and empty; the dates go back to the logs' dates when known.
    void Clear();
    // Enables and shows the controls of the filters ticked.
    void UpdateControls();
    // The date range in order, or a warning (once for the same two dates unless always) and false.
    bool DateOrderOk(bool always);
    // The first and last date the logs held (invalid: not known); the pickers start at them
    // unless the date filter is in use.
    void SetLogDates(const QDate& first, const QDate& last);
    void ReadInto(EntryFilters& f) const;
    // The drop-downs from the recent filters: both when all, else those of the filters ticked.
    // With all the boxes start empty.
    void FillRecent(const RecentLists& recent, bool all);

signals:
    // The user changed a filter; filterChange when one was switched on or off.
    void Changed(bool filterChange);

private:
    void DatePickersToLogDates();

    QCheckBox* chkFilterLogText_ = nullptr;
    QCheckBox* chkFilterFile_ = nullptr;
    QCheckBox* chkFilterDate_ = nullptr;
    std::array<QComboBox*, 2> lstContain_{};
    std::array<QComboBox*, 2> txtFilterText_{};
    QComboBox* lstIs_ = nullptr;
    QComboBox* lstEqualBetween_ = nullptr;
    std::array<QDateEdit*, 2> dtpDate_{};
    QLabel* lblAnd_ = nullptr;
    QPushButton* butClearFilters_ = nullptr;
    QDate firstLogDate_, lastLogDate_;
    std::pair<QDate, QDate> warnedDates_;
    // Set while the panel itself changes controls, so only user changes count.
    int quiet_ = 0;
};

} // namespace trevix::ui
