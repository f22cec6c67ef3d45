#pragma once
// The report pages as data: every list with its columns, rows (cells as shown with the numbers
// they stand for, row key, item data) and sort state, plus the page texts and chart series. The run fills it, the XML writer
// reads it, the loader and the comparison fill and extend it, sorting reorders it; a Qt table
// model or the CLI only shows it.
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "engine/lists/CellTexts.h"

namespace trevix {

enum class SortType { Text, Number, Date };

struct ListColumn {
    std::string Title;
    SortType Type = SortType::Text;
    int Width = 1440;   // twips, as stored in the settings
    // Text cells that read as a duration ("2d 01:00:27"): sorted by their seconds, while the
    // report files keep the type "text".
    bool Duration = false;
    // No width was stored: the window sizes the column to its contents once, when the list
    // is first filled, and only then is a width worth keeping.
    bool FitToContents = false;
};

// Marks a cell that carries no number: text, or a value nobody has read yet.
inline constexpr double kNoNumber = std::numeric_limits<double>::quiet_NaN();
inline bool HasNumber(double number) { return !std::isnan(number); }

// A cell as the engine writes it: the text the report files keep, and the number that text
// stands for (a count, a percentage, a date's or a duration's seconds), so that sorting and
// showing never read the text back.
struct CellValue {
    CellValue(std::string text) : Text(std::move(text)) {}
    CellValue(const char* text) : Text(text) {}
    CellValue(std::string text, double number) : Text(std::move(text)), Number(number) {}
    std::string Text;
    double Number = kNoNumber;
};

// A cell to be written: a view of its text, which only has to live through the call that
// writes it (the list keeps its own copy), and its number.
struct CellRef {
    CellRef(std::string_view text) : Text(text) {}
    CellRef(const std::string& text) : Text(text) {}
    CellRef(const char* text) : Text(text) {}
    CellRef(std::string_view text, double number) : Text(text), Number(number) {}
    CellRef(const CellValue& cell) : Text(cell.Text), Number(cell.Number) {}
    std::string_view Text;
    double Number = kNoNumber;
};

struct ListRow {
    // Cells[0] is the row's text (cell 1); each cell may carry a number, kept beside the texts
    // once the row's first number comes, so rows of text pay nothing for them.
    CellTexts Cells;
    std::string Key;                  // row key ("i3", "r7", "H07") or empty
    int64_t ItemData = 0;             // the row's identity, stable across sorts

    // The number of the 0-based cell, kNoNumber when it carries none.
    double Number(size_t index) const { return Cells.Number(index); }
};

class ReportList {
public:
    ReportList() = default;
    ReportList(std::string name, std::vector<ListColumn> columns);

    std::string Name;                 // control name: "lstFiles"
    std::vector<ListColumn> Columns;
    std::vector<ListRow> Rows;
    int SortKey = 0;                  // 0-based column
    int SortOrder = 0;                // 0 ascending, 1 descending
    bool Sorted = false;              // the control's own automatic text sort is on
    bool SortChosen = false;          // sorted by a stored setting, a header click or a command

    // Adds a row whose first cell is text; returns its 0-based position.
    size_t AddRow(std::string_view text, std::string key = {});
    // Adds a row of these cells at once, packed in exactly the room they take.
    size_t AddRowOf(std::initializer_list<CellRef> cells, std::string key = {});
    size_t AddRowOf(const CellRef* cells, size_t count, std::string key = {});
    // Cell by 1-based column number; missing cells read as empty and are created on write.
    // The view lasts until the row is next written.
    std::string_view Cell(size_t row, size_t column) const;
    // Writing text alone drops the number the cell carried.
    void SetCell(size_t row, size_t column, CellRef cell);
    // The number a cell carries (1-based column), kNoNumber when none.
    double CellNumber(size_t row, size_t column) const;
    // Gives an existing cell its number, leaving its text as it is.
    void SetCellNumber(size_t row, size_t column, double number);
    // Row position of a key, or -1 (keys are unique within a list).
    long FindKey(std::string_view key) const;
    void Clear();   // rows only; columns and sort state stay
    size_t RowCount() const { return Rows.size(); }

private:
    int64_t nextItem_ = 1;
};

struct ChartSeries {
    std::vector<std::string> Labels;
    std::vector<std::vector<double>> Values;   // [series][row]
    std::vector<std::array<int, 3>> Colours;   // RGB per series
    void Clear() { Labels.clear(); Values.clear(); Colours.clear(); }
};

// List numbers as the settings store and the report files address them.
enum ListNo : int {
    lstHits = 1, lstFiles = 2, lstReferrers = 3, lstBrowsers = 4, lstOS = 5, lstWebBrowser = 6,
    lstCountries = 7, lstSearchTerms = 8, lstHour = 9, lstIPs = 10, lstErrors = 11,
    lstConversions0 = 12, lstConversions1 = 13, lstConversions2 = 14, lstSites = 15,
    lstSearchEngines = 16
};

// Where the report on screen stands: what the window shows, set by a run and a load.
struct ReportState {
    bool Shown = false;        // a report has been shown since start-up
    bool OutOfDate = false;    // an input changed since it was made
    bool CompareReportLoaded = false;
    bool CompareColumnsLoaded = false;
};

class ReportLists {
public:
    ReportLists();

    // The list of a number 1..16, nullptr for any other number.
    ReportList* ListNumber(int listNum);
    const ReportList* ListNumber(int listNum) const;
    ReportList& operator[](int listNum) { return *ListNumber(listNum); }
    const ReportList& operator[](int listNum) const { return *ListNumber(listNum); }

    ReportList Pages;   // the visitor window's page list ("IP address", "Date", ...)

    std::string Summary;              // the "Summary" box (txtHits)
    // txtRawLog shows the run's lines (RawLogLines over the tables): the lines are not copied.
    bool RawLogVisible = false;
    bool ErrorsLabelVisible = false;  // "Errors found in log file. Click here for details"
    std::vector<std::string> ConversionFiles;   // lstConversionFile entries
    int ConversionFileIndex = -1;
    bool AutoConversionChecked = false;
    bool AutoConversionEnabled = false;
    ChartSeries DateChart;
    ChartSeries HourChart;
    ReportState State;   // not touched by ClearLists

    // Empties every report page (rows, combo, raw log, charts); columns and sort state stay.
    void ClearLists();

private:
    std::array<ReportList, 17> lists_;
};

} // namespace trevix
