#include "engine/lists/ListSorting.h"

#include "engine/base/Locale.h"
#include "engine/lists/ReportLists.h"
#include "engine/base/Text.h"
#include "engine/base/Utf8.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevix {

namespace {

// Below every real date, so an empty date cell sorts first when ascending.
constexpr double kNoDate = -std::numeric_limits<double>::max();
// A "New" change has no percentage; it ranks above every ordinary one.
constexpr double kNewValue = 999999;

// One code point of UTF-8 text, advancing pos. A stray byte counts as itself, so the order
// stays total even for text that slipped past the reader's repair.
char32_t NextCodePoint(std::string_view s, size_t& pos) {
    const Utf8Char c = DecodeUtf8(s, pos);
    if (c.Length == 0) return static_cast<unsigned char>(s[pos++]);
    pos += c.Length;
    return c.CodePoint;
}

// Lower case for the alphabets the logs commonly carry: ASCII, Latin-1, Latin Extended-A,
// Greek and Cyrillic capitals. Others compare as they are.
char32_t FoldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
    if (c >= 0x100 && c <= 0x17F) {
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        if (c == 0x178) return 0xFF;
        const bool oddIsUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        const bool isUpper = oddIsUpper ? (c % 2 == 1) : (c % 2 == 0);
        return isUpper ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// The text with each code point folded to lower case, in UTF-8: two such keys compare byte by
// byte as their texts' folded code points compare one by one. Made once per row, not once per
// comparison.
std::string FoldedKey(std::string_view text) {
    std::string key;
    key.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            key += static_cast<char>(b >= 'A' && b <= 'Z' ? b + 32 : b);
            ++i;
        } else {
            AppendUtf8(key, FoldCase(NextCodePoint(text, i)));
        }
    }
    return key;
}

// Alphabetical, ignoring letter case first; texts equal apart from case then go by their
// exact code points, so the order is total and repeatable.
int CompareText(const std::string& foldedA, std::string_view a, const std::string& foldedB, std::string_view b) {
    int c = foldedA.compare(foldedB);
    // UTF-8 byte order is code point order.
    if (c == 0) c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// The cell of a 0-based column; rows shorter than the list read as empty there.
std::string_view CellText(const ListRow& row, int key) {
    if (key < 0 || static_cast<size_t>(key) >= row.Cells.size()) return {};
    return row.Cells[static_cast<size_t>(key)];
}

// Seconds of a duration cell "[-]Nd hh:mm:ss" (or "[N days ]hh:mm:ss"); empty counts as 0.
std::optional<double> DurationSeconds(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty()) return 0.0;
    const bool negative = text.front() == '-';
    if (negative) text.remove_prefix(1);
    double days = 0;
    if (const size_t blank = text.find(' '); blank != std::string_view::npos) {
        std::string_view count = text.substr(0, blank);
        if (count.ends_with("d")) count.remove_suffix(1);
        if (count.empty() || count.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
        days = LeadingNumber(count);
        text = TrimBlanks(text.substr(blank + 1));
        if (text.starts_with("days")) text = TrimBlanks(text.substr(4));
    }
    if (text.size() < 8 || text[text.size() - 3] != ':' || text[text.size() - 6] != ':') return std::nullopt;
    if (text.find_first_not_of("0123456789:") != std::string_view::npos) return std::nullopt;
    const double hours = LeadingNumber(text.substr(0, text.size() - 6));
    const double minutes = LeadingNumber(text.substr(text.size() - 5, 2));
    const double seconds = LeadingNumber(text.substr(text.size() - 2));
    const double total = ((days * 24 + hours) * 60 + minutes) * 60 + seconds;
    return negative ? -total : total;
}

// The number a row's cell carries, or else what its text reads as.
std::optional<double> SortValue(const ListRow& row, int key, SortType type, bool duration, const Locale& locale) {
    const double carried = row.Number(static_cast<size_t>(key));
    if (HasNumber(carried)) return carried;
    return ReadCellNumber(CellText(row, key), type, duration, locale);
}

// Puts the rows in the order of the given positions.
void Reorder(ReportList& list, const std::vector<size_t>& order) {
    std::vector<ListRow> rows;
    rows.reserve(order.size());
    for (size_t at : order) rows.push_back(std::move(list.Rows[at]));
    list.Rows = std::move(rows);
}

void SortByText(ReportList& list, int key, int order) {
    std::vector<std::string> folded;
    folded.reserve(list.Rows.size());
    for (const ListRow& row : list.Rows) folded.push_back(FoldedKey(CellText(row, key)));
    std::vector<size_t> positions(list.Rows.size());
    std::iota(positions.begin(), positions.end(), size_t{0});
    std::stable_sort(positions.begin(), positions.end(), [&](size_t a, size_t b) {
        const int c = CompareText(folded[a], CellText(list.Rows[a], key), folded[b], CellText(list.Rows[b], key));
        return order == 1 ? c > 0 : c < 0;
    });
    Reorder(list, positions);
}

} // namespace

std::optional<double> ReadCellNumber(std::string_view text, SortType type, bool duration, const Locale& locale) {
    if (duration) return DurationSeconds(text);
    if (type == SortType::Date) {
        if (text.empty()) return kNoDate;
        std::optional<DateTime> when = locale.ParseDateTime(text);
        if (!when) return std::nullopt;
        return static_cast<double>(when->Seconds());
    }
    if (type == SortType::Text) return std::nullopt;
    if (text.starts_with("New")) return kNewValue;
    if (text.empty()) return 0.0;
    return locale.ParseNumber(text);
}

void ReadCellNumbers(ReportList& list, const Locale& locale) {
    std::vector<size_t> read;   // the columns whose cells stand for numbers
    for (size_t c = 0; c < list.Columns.size(); ++c)
        if (list.Columns[c].Type != SortType::Text || list.Columns[c].Duration) read.push_back(c);
    if (read.empty()) return;
    // Row by row: each row's cells and numbers are then read while they are at hand.
    for (size_t row = 0; row < list.Rows.size(); ++row) {
        const ListRow& r = list.Rows[row];
        for (size_t c : read) {
            // Empty cells read as their column's least value without a number of their own.
            if (c >= r.Cells.size() || r.Cells[c].empty() || HasNumber(r.Number(c))) continue;
            const ListColumn& column = list.Columns[c];
            if (std::optional<double> v = ReadCellNumber(r.Cells[c], column.Type, column.Duration, locale))
                list.SetCellNumber(row, c + 1, *v);
        }
    }
}

int CompareSortValues(double a, double b, int order) {
    const int sign = a < b ? -1 : a > b ? 1 : 0;
    return order == 1 ? -sign : sign;
}

namespace {

// Every row's value in a column, or nothing when a cell reads as none.
std::optional<std::vector<double>> ColumnValues(const ReportList& list, int key, SortType type, bool duration,
                                                const Locale& locale) {
    std::vector<double> values;
    values.reserve(list.Rows.size());
    for (const ListRow& row : list.Rows) {
        std::optional<double> v = SortValue(row, key, type, duration, locale);
        if (!v) return std::nullopt;
        values.push_back(*v);
    }
    return values;
}

// The row positions in the order of their values; equal values keep their order.
std::vector<size_t> OrderOfValues(const std::vector<double>& values, int order) {
    std::vector<size_t> positions(values.size());
    std::iota(positions.begin(), positions.end(), size_t{0});
    std::stable_sort(positions.begin(), positions.end(), [&](size_t a, size_t b) {
        return CompareSortValues(values[a], values[b], order) < 0;
    });
    return positions;
}

} // namespace

void SortByValues(ReportList& list, int key, SortType type, int order, const Locale& locale) {
    list.Sorted = false;
    list.SortKey = key;
    list.SortOrder = order;
    if (key < 0) return;
    // Sorting never complains: a cell that reads as no value keeps the rows in their order.
    if (std::optional<std::vector<double>> values = ColumnValues(list, key, type, false, locale))
        Reorder(list, OrderOfValues(*values, order));
}

std::vector<size_t> ExportRowOrder(const ReportList& list, const Locale& locale) {
    std::vector<size_t> positions(list.Rows.size());
    std::iota(positions.begin(), positions.end(), size_t{0});
    if (list.SortChosen || list.Columns.empty() || list.Columns[0].Type != SortType::Text) return positions;
    const auto counts = std::find_if(list.Columns.begin(), list.Columns.end(),
                                     [](const ListColumn& c) { return c.Type == SortType::Number; });
    if (counts == list.Columns.end()) return positions;
    const int key = static_cast<int>(counts - list.Columns.begin());
    std::optional<std::vector<double>> values = ColumnValues(list, key, SortType::Number, false, locale);
    return values ? OrderOfValues(*values, 1) : positions;
}

// Durations by their seconds; cells that do not read as one leave the rows as text sorts them.
static void SortByDuration(ReportList& list, int key, int order, const Locale& locale) {
    list.Sorted = true;
    std::optional<std::vector<double>> values = ColumnValues(list, key, SortType::Text, true, locale);
    if (values)
        Reorder(list, OrderOfValues(*values, order));
    else
        SortByText(list, key, order);
}

void SortList(ReportList& list, int column, int& order, const Locale& locale) {
    // A column the list does not have (a damaged setting) leaves the list untouched.
    if (column < 1 || static_cast<size_t>(column) > list.Columns.size()) return;

    const int previousKey = list.SortKey;
    list.SortChosen = true;
    list.SortKey = column - 1;
    const SortType type = list.Columns[static_cast<size_t>(column - 1)].Type;
    if (order == -1) {
        if (list.SortKey != previousKey)
            order = type == SortType::Number ? 1 : 0;
        else
            order = list.SortOrder == 0 ? 1 : 0;
    }
    // Only ascending and descending exist; anything else a damaged setting gives ascends.
    if (order != 1) order = 0;
    list.SortOrder = order;

    if (list.Columns[static_cast<size_t>(column - 1)].Duration) {
        SortByDuration(list, list.SortKey, order, locale);
    } else if (type == SortType::Text) {
        list.Sorted = true;
        SortByText(list, list.SortKey, order);
    } else {
        SortByValues(list, list.SortKey, type, order, locale);
    }
}

} // namespace trevix
