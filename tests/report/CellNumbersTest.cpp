// The number a list cell carries is what its text reads as, whoever wrote the cell: the engine
// when it formats it, or the loader when it reads a report file. Sorting goes by that number,
// so a loaded report and a fresh run must sort alike.
#include "ReportLoadSupport.h"

#include "ShippedData.h"
#include "engine/analysis/Conversions.h"
#include "engine/analysis/ListFilling.h"
#include "engine/lists/ListSorting.h"
#include "engine/parse/TimeStamps.h"
#include "engine/run/AnalysisRun.h"
#include "report/ReportComparison.h"
#include "report/XmlReportWriter.h"
#include "report/XmlText.h"

#include <cmath>

namespace trevix::testing {
namespace {

// Every non-empty cell of a number, date or duration column that reads as its kind carries
// exactly that number; cells that do not read carry none.
void ExpectNumbersMatchText(const ReportList& list, const Locale& locale, const std::string& context) {
    for (size_t c = 0; c < list.Columns.size(); ++c) {
        const ListColumn& column = list.Columns[c];
        if (column.Type == SortType::Text && !column.Duration) continue;
        for (size_t r = 0; r < list.Rows.size(); ++r) {
            const ListRow& row = list.Rows[r];
            if (c >= row.Cells.size() || row.Cells[c].empty()) continue;
            const std::optional<double> read = ReadCellNumber(row.Cells[c], column.Type, column.Duration, locale);
            const double carried = row.Number(c);
            if (read)
                EXPECT_EQ(carried, *read) << context << " " << list.Name << " row " << r << " \"" << row.Cells[c] << '"';
            else
                EXPECT_FALSE(HasNumber(carried)) << context << " " << list.Name << " \"" << row.Cells[c] << '"';
        }
    }
}

TEST(CellNumbers, EachFormattedKindCarriesWhatItsTextReads) {
    Analyser a;
    struct Case {
        const char* Kind;
        CellValue Cell;
        SortType Type;
        bool Duration = false;
    };
    const DateTime noon = *DateTime::FromCivil(2026, 10, 11, 12, 34, 56);
    const DateTime midnight = *DateTime::FromCivil(1999, 12, 31);
    std::vector<Case> cases = {
        {"count 0", CountCell(a, 0), SortType::Number},
        {"count with separators", CountCell(a, 1234567), SortType::Number},
        {"negative count", CountCell(a, -4321), SortType::Number},
        {"megabytes", NumberCell(a, 1234.5678, "#,##0.00"), SortType::Number},
        {"megabytes half-way", NumberCell(a, 2.675, "#,##0.00"), SortType::Number},
        {"megabytes tiny", NumberCell(a, 0.004, "#,##0.00"), SortType::Number},
        {"whole megabytes", NumberCell(a, 3.0, "#,##0.00"), SortType::Number},
        {"requests", NumberCell(a, 98765, "#,##0"), SortType::Number},
        {"rounded requests", NumberCell(a, 2.5, "#,##0"), SortType::Number},
        {"bytes", NumberCell(a, 1048576, "#,###"), SortType::Number},
        {"date and time", DateCell(a, noon), SortType::Date},
        {"date at midnight", DateCell(a, midnight), SortType::Date},
        {"duration", CellValue(DisplayTime(93784, true), 93784), SortType::Text, true},
        {"negative duration", CellValue(DisplayTime(-61, true), -61), SortType::Text, true},
        {"zero duration", CellValue(DisplayTime(0, true), 0), SortType::Text, true},
    };
    // Percentages over a grid of counts: the carried tenths must be the double the text reads as.
    for (long long visitors : {1LL, 3LL, 7LL, 9LL, 11LL, 97LL, 1000003LL})
        for (long long count : {0LL, 1LL, 2LL, 5LL, 6LL, 9LL, 10LL, 33LL, 96LL, 999999LL})
            if (count <= visitors) cases.push_back({"% visitors", PercentCell(a, count, visitors), SortType::Number});

    for (const Case& c : cases) {
        ASSERT_FALSE(c.Cell.Text.empty()) << c.Kind;
        const std::optional<double> read = ReadCellNumber(c.Cell.Text, c.Type, c.Duration, a.NumberFormat);
        ASSERT_TRUE(read) << c.Kind << " \"" << c.Cell.Text << '"';
        EXPECT_EQ(c.Cell.Number, *read) << c.Kind << " \"" << c.Cell.Text << '"';
    }

    // Changes between two columns, "New" and no change included.
    ReportList list("lstFiles", {{"File"}, {"Now", SortType::Number}, {"Then", SortType::Number},
                                 {"Change", SortType::Number}});
    const std::pair<int, int> counts[] = {{8, 3}, {3, 8}, {5, 0}, {0, 0}, {2, 3}, {1000, 7}};
    for (auto [now, then] : counts) {
        const size_t row = list.AddRow("f");
        list.SetCell(row, 2, CountCell(a, now));
        list.SetCell(row, 3, CountCell(a, then));
    }
    PopulatePercentChange(list, 2, 3, 4, a.NumberFormat);
    for (size_t row = 0; row < list.RowCount(); ++row) EXPECT_TRUE(HasNumber(list.CellNumber(row, 4))) << row;
    ExpectNumbersMatchText(list, a.NumberFormat, "change");
}

TEST(CellNumbers, TextWrittenOverANumberDropsIt) {
    ReportList list("lstHits", {{"Date", SortType::Date}, {"Visitors", SortType::Number}});
    const size_t row = list.AddRow("01/02/2026");
    list.SetCell(row, 2, CellValue("12", 12));
    list.SetCell(row, 2, "7");
    EXPECT_FALSE(HasNumber(list.CellNumber(row, 2)));
    // Sorting then reads the text, as it would for a cell that never had a number.
    list.AddRow("02/02/2026");
    list.SetCell(1, 2, CellValue("9", 9));
    int order = 1;
    SortList(list, 2, order, Locale::Fixed());
    EXPECT_EQ(list.Cell(0, 2), "9");
    EXPECT_EQ(list.Cell(1, 2), "7");
}

std::string Line(const std::string& ip, const std::string& stamp, const std::string& file, int status,
                 long bytes, const std::string& agent) {
    return ip + " - - [" + stamp + " +0000] \"GET " + file + " HTTP/1.1\" " + std::to_string(status) + " " +
           std::to_string(bytes) + " \"http://www.google.com/search?q=shoes+" + std::to_string(bytes % 5) +
           "\" \"" + agent + "\"\n";
}

TEST(CellNumbers, ALoadedReportCarriesNumbersAndSortsAsTheRunDid) {
    RecordingHost host;
    TempDir dir;
    Analyser fresh;
    fresh.SetHost(&host);
    ASSERT_NO_FATAL_FAILURE(LoadShippedReferenceData(fresh.Reference, host));
    const char* agents[] = {"Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 Chrome/120.0 Safari/537.36",
                            "Mozilla/5.0 (X11; Linux x86_64; rv:121.0) Gecko/20100101 Firefox/121.0"};
    std::string log;
    // Uneven counts, sizes and stays, with ties, so that each column orders the rows its own way.
    for (int i = 0; i < 60; ++i) {
        const std::string ip = "10.1." + std::to_string(i % 13) + "." + std::to_string(i % 17);
        const std::string day = std::to_string(10 + i % 4) + "/Oct/2026:";
        const std::string hour = (i % 24 < 10 ? "0" : "") + std::to_string(i % 24);
        const std::string minute = (i % 60 < 10 ? "0" : "") + std::to_string(i % 60);
        log += Line(ip, day + hour + ":" + minute + ":00", "/p" + std::to_string(i % 9) + ".html", i % 11 ? 200 : 404,
                    1000L * (i % 7) + 37L * i * i, agents[i % 2]);
    }
    RunRequest request;
    request.Files = {dir.Write("access.log", log)};
    request.Profile.Domains = {"www.example.com"};
    request.AutoConversionReports = {"/p3.html"};
    fresh.Options.AutoReport = false;
    AnalyseLogFiles(fresh, request);
    ASSERT_GT(fresh.Lists[lstIPs].RowCount(), 10u);

    const std::string saved = dir.File("report.xml");
    ASSERT_TRUE(SaveXMLReport(fresh, saved, request.Files));
    Analyser loaded;
    loaded.SetHost(&host);
    ASSERT_TRUE(LoadXMLReport(loaded, saved, false));
    DisplayConversionsReport(fresh, 1);
    DisplayConversionsReport(loaded, 1);

    for (int n = 1; n <= 16; ++n) {
        if (n == lstSites) continue;
        ExpectNumbersMatchText(fresh.Lists[n], fresh.NumberFormat, "run");
        ExpectNumbersMatchText(loaded.Lists[n], loaded.NumberFormat, "loaded");
    }
    // The numbers are there, not only read on demand.
    size_t carried = 0;
    for (const ListRow& row : loaded.Lists[lstIPs].Rows) carried += HasNumber(row.Number(8)) ? 1 : 0;
    EXPECT_EQ(carried, loaded.Lists[lstIPs].RowCount());

    for (int n = 1; n <= 16; ++n) {
        if (n == lstSites) continue;
        ReportList& a = fresh.Lists[n];
        ReportList& b = loaded.Lists[n];
        for (int column = 1; column <= static_cast<int>(a.Columns.size()); ++column) {
            for (int wanted : {0, 1}) {
                int orderA = wanted, orderB = wanted;
                SortList(a, column, orderA, fresh.NumberFormat);
                SortList(b, column, orderB, loaded.NumberFormat);
                auto shown = Cells(a);
                for (auto& row : shown)
                    for (std::string& cell : row) cell = ToXmlText(cell);
                ASSERT_EQ(Cells(b), shown) << a.Name << " column " << column << " order " << wanted;
                EXPECT_EQ(ExportRowOrder(a, fresh.NumberFormat), ExportRowOrder(b, loaded.NumberFormat)) << a.Name;
            }
        }
    }
}

} // namespace
} // namespace trevix::testing
