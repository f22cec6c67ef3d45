#include "views/ReportTableModel.h"

#include "common/QtText.h"
#include "engine/lists/ReportLists.h"

#include <QDate>
#include <QTime>

namespace trevix::ui {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Drops the time-zone name from a time format: report times carry no zone.
QString WithoutZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') continue;
        out += c;
    }
    return out.trimmed();
}

// Short date formats of many locales have two-digit years; the report always shows four.
QString WithFourDigitYear(QString format) {
    if (format.contains(QLatin1String("yyyy"))) return format;
    return format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
}

// "1,234.56", "- 12.50", "+ 3.00", "  0.00", "07" in the locale's signs and separators, kept
// digit for digit (leading zeros, grouping and decimals as stored). Empty when the text is
// not a number of the fixed format.
QString LocaleNumber(std::string_view s, const CellFormats& f) {
    size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    QString out;
    out.reserve(static_cast<qsizetype>(s.size() + 2));
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        out += s[i] == '+' ? f.Plus : f.Minus;
        ++i;
        if (i < s.size() && s[i] == ' ') ++i;
    }
    if (i >= s.size() || !IsDigit(s[i])) return {};
    bool decimals = false;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (IsDigit(c)) {
            out += QChar(static_cast<char16_t>(f.Zero + (c - '0')));
        } else if (c == ',' && !decimals && i + 1 < s.size() && IsDigit(s[i + 1])) {
            out += f.Group;
        } else if (c == '.' && !decimals && i + 1 < s.size() && IsDigit(s[i + 1])) {
            out += f.Decimal;
            decimals = true;
        } else {
            return {};
        }
    }
    return out;
}

int TwoDigits(std::string_view s, size_t at) { return (s[at] - '0') * 10 + (s[at + 1] - '0'); }

bool DigitsAt(std::string_view s, size_t at, size_t count) {
    for (size_t i = at; i < at + count; ++i)
        if (!IsDigit(s[i])) return false;
    return true;
}

// "dd/MM/yyyy" or "dd/MM/yyyy HH:mm:ss" in the locale's short date and long time. Empty when
// the text is not such a date.
QString LocaleDate(std::string_view s, const CellFormats& f) {
    if (s.size() != 10 && s.size() != 19) return {};
    if (!DigitsAt(s, 0, 2) || s[2] != '/' || !DigitsAt(s, 3, 2) || s[5] != '/' || !DigitsAt(s, 6, 4))
        return {};
    const QDate date(TwoDigits(s, 6) * 100 + TwoDigits(s, 8), TwoDigits(s, 3), TwoDigits(s, 0));
    if (!date.isValid()) return {};
    QString out = f.Locale.toString(date, f.DateFormat);
    if (s.size() == 19) {
        if (s[10] != ' ' || !DigitsAt(s, 11, 2) || s[13] != ':' || !DigitsAt(s, 14, 2) ||
            s[16] != ':' || !DigitsAt(s, 17, 2))
            return {};
        const QTime time(TwoDigits(s, 11), TwoDigits(s, 14), TwoDigits(s, 17));
        if (!time.isValid()) return {};
        out += u' ';
        out += f.Locale.toString(time, f.TimeFormat);
    }
    return out;
}

} // namespace

CellFormats::CellFormats(const QLocale& locale)
    : Group(locale.groupSeparator()), Decimal(locale.decimalPoint()),
      Minus(locale.negativeSign()), Plus(locale.positiveSign()),
      DateFormat(WithFourDigitYear(locale.dateFormat(QLocale::ShortFormat))),
      TimeFormat(WithoutZone(locale.timeFormat(QLocale::LongFormat))),
      Fixed(locale.language() == QLocale::C), Locale(locale) {
    const QString zero = locale.zeroDigit();
    // Digits outside the basic plane would need pairs; those locales keep ASCII digits.
    if (zero.size() == 1) Zero = zero.at(0).unicode();
}

QString ReportTableModel::DisplayText(std::string_view cell, SortType type, const CellFormats& formats) {
    QString shown;
    if (type == SortType::Number)
        shown = LocaleNumber(cell, formats);
    else if (type == SortType::Date && !formats.Fixed)
        shown = LocaleDate(cell, formats);
    return shown.isEmpty() ? Q(cell) : shown;
}

ReportTableModel::ReportTableModel(ReportList* list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), formats_(locale_) {}

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
    formats_ = CellFormats(locale);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

int ReportTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !list_ ? 0 : static_cast<int>(list_->Rows.size());
}

int ReportTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !list_ ? 0 : static_cast<int>(list_->Columns.size());
}

QString ReportTableModel::CellText(int row, int column) const {
    if (!list_ || row < 0 || column < 0 || static_cast<size_t>(row) >= list_->Rows.size() ||
        static_cast<size_t>(column) >= list_->Columns.size())
        return {};
    const ListRow& r = list_->Rows[static_cast<size_t>(row)];
    const auto at = static_cast<size_t>(column);
    if (at >= r.Cells.size()) return {};
    // The text is shown digit for digit as stored (leading zeros, decimals, grouping), only
    // in the locale's signs, so it is the text that is rewritten here, not the number.
    return DisplayText(r.Cells[at], list_->Columns[at].Type, formats_);
}

QVariant ReportTableModel::SortValue(int row, int column) const {
    if (!list_ || row < 0 || column < 0 || static_cast<size_t>(row) >= list_->Rows.size()) return {};
    const double number = list_->Rows[static_cast<size_t>(row)].Number(static_cast<size_t>(column));
    if (HasNumber(number)) return number;
    return CellText(row, column);
}

QVariant ReportTableModel::data(const QModelIndex& index, int role) const {
    if (!list_ || !index.isValid()) return {};
    const auto column = static_cast<size_t>(index.column());
    if (column >= list_->Columns.size()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), index.column());
    case SortRole:
        return SortValue(index.row(), index.column());
    case Qt::ToolTipRole:
        // Long addresses and agents are cut by the column; the tooltip shows them whole.
        if (list_->Columns[column].Type == SortType::Text) {
            QString text = CellText(index.row(), index.column());
            if (text.size() > 40) return text;
        }
        return {};
    case Qt::TextAlignmentRole:
        if (list_->Columns[column].Type == SortType::Number)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

QVariant ReportTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (!list_ || orientation != Qt::Horizontal) return {};
    if (section < 0 || section >= static_cast<int>(list_->Columns.size())) return {};
    const ListColumn& column = list_->Columns[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole) return QString::fromStdString(column.Title);
    if (role == Qt::TextAlignmentRole && column.Type == SortType::Number)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

} // namespace trevix::ui
