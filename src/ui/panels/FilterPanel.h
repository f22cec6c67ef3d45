#pragma once
// The filter step: which entries the analysis takes, by raw log text, requested file, date,
// status, client address, referrer, user agent, country and kind of request; the text boxes
// offer the recently used filters.
#include <QDate>
#include <QWidget>
#include <array>
#include <utility>
#include <vector>

#include "engine/parse/FilterValues.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

namespace trevix {
struct EntryFilters;
struct RecentLists;
struct ReferenceData;
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
    // The values of the filters ticked read as the engine reads them; for the first that does
    // not read, a message naming the filter, its box focused, and false.
    bool ValuesOk(const ReferenceData& ref);
    // The country filter is ticked (it needs the country list).
    bool UsesCountry() const;
    // A value that does not read leaves its filter off (ValuesOk says so first).
    void ReadInto(EntryFilters& f, const ReferenceData& ref) const;
    // The drop-downs from the recent filters: all of them when all, else those of the filters
    // ticked. With all the boxes start empty.
    void FillRecent(const RecentLists& recent, bool all);
    // Puts the values of the value filters ticked (status to country) in front of their recent
    // lists, which keep bound entries. The raw-text and file filters are pushed by the run.
    void PushRecentValues(RecentLists& recent, int bound) const;

    // The filters ticked as the controls show them, named as the report file names them, in
    // the order DescribeFilters gives.
    std::vector<FilterDescription> Ticked() const;
    // Ticks one filter with its op and value, leaving the others; false (nothing changed) for a
    // field or op the panel does not have, or a date that does not read.
    bool SetFilter(const FilterDescription& d);
    // Exactly these filters ticked, every other one off and empty.
    void SetFilters(const std::vector<FilterDescription>& filters);

signals:
    // The user changed a filter; filterChange when one was switched on or off.
    void Changed(bool filterChange);

private:
    void DatePickersToLogDates();

    // One of the filters a value picks: its box, "is"/"is not" or "contains"/"doesn't contain",
    // and the value with the values used before in this session.
    struct ValueFilter {
        const char* Field;     // as the report file names it
        const char* Caption;   // for the message about a bad value
        QCheckBox* Check = nullptr;
        QComboBox* Op = nullptr;
        QComboBox* Value = nullptr;
    };
    enum { StatusRow, AddressRow, ReferrerRow, AgentRow, CountryRow, ValueRows };
    std::array<ValueFilter, ValueRows> values_;
    QComboBox* cboFilterOnly_ = nullptr;

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
