#pragma once
// Shows the rows of one engine ReportList without copying them. Cells are stored in the fixed
// report format; numbers and dates are shown in the user's locale at display time.
#include <QAbstractTableModel>
#include <QLocale>
#include <string_view>

namespace trevix {
class ReportList;
enum class SortType;
}

namespace trevix::ui {

// How one locale writes the numbers and dates of the fixed report format.
struct CellFormats {
    explicit CellFormats(const QLocale& locale);
    QString Group, Decimal, Minus, Plus;
    char16_t Zero = u'0';
    QString DateFormat, TimeFormat;   // four-digit years; no time-zone name
    bool Fixed = false;               // the C locale: dates shown as stored
    QLocale Locale;
};

class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportTableModel(ReportList* list = nullptr, QObject* parent = nullptr);

    void SetList(ReportList* list);
    ReportList* List() const { return list_; }
    // The engine changed rows or columns: views show the list anew.
    void Reload();
    void SetDisplayLocale(const QLocale& locale);
    const QLocale& DisplayLocale() const { return locale_; }

    // A stored cell as the user reads it: numbers and dates of the fixed report format in
    // the display locale; signed changes without the blank after the sign; anything else
    // (text, "New", a cell that does not read as its column's type) exactly as stored.
    static QString DisplayText(std::string_view cell, SortType type, const CellFormats& formats);
    // The cell at a 0-based row and column as shown.
    QString CellText(int row, int column) const;
    // The number a cell carries (a count, a date's or a duration's seconds) for views that
    // order rows themselves; a cell without one gives its shown text.
    static constexpr int SortRole = Qt::UserRole;
    QVariant SortValue(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    ReportList* list_ = nullptr;
    QLocale locale_;
    CellFormats formats_;
};

} // namespace trevix::ui
