#pragma once
// Shows the rows of one engine ReportList without copying them. Cells are stored in the fixed
// report format; numbers and dates are shown in the user's locale at display time.
#include <QAbstractTableModel>
#include <QLocale>

namespace trevix {
class ReportList;
}

namespace trevix::ui {

class ReportTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ReportTableModel(ReportList* list = nullptr, QObject* parent = nullptr);

    void SetList(ReportList* list);
    ReportList* List() const { return list_; }
    // The engine changed rows or columns: views show the list anew.
    void Reload();
    void SetDisplayLocale(const QLocale& locale);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    ReportList* list_ = nullptr;
    QLocale locale_;
};

} // namespace trevix::ui
