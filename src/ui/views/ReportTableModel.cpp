#include "views/ReportTableModel.h"

#include "engine/ReportLists.h"

namespace trevix::ui {

ReportTableModel::ReportTableModel(ReportList* list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {}

void ReportTableModel::SetList(ReportList* list) {
    beginResetModel();
    list_ = list;
    endResetModel();
}

void ReportTableModel::Reload() {
    beginResetModel();
    endResetModel();
}

void ReportTableModel::SetDisplayLocale(const QLocale& locale) {
    locale_ = locale;
    Reload();
}

int ReportTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !list_ ? 0 : static_cast<int>(list_->Rows.size());
}

int ReportTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !list_ ? 0 : static_cast<int>(list_->Columns.size());
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const {
    if (!list_ || !index.isValid() || role != Qt::DisplayRole) return {};
    const std::string& cell = list_->Cell(static_cast<size_t>(index.row()),
                                          static_cast<size_t>(index.column()) + 1);
    return QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size()));
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!list_ || orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= static_cast<int>(list_->Columns.size())) return {};
    return QString::fromStdString(list_->Columns[static_cast<size_t>(section)].Title);
}

} // namespace trevix::ui
