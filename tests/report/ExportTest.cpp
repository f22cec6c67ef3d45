#include "report/CsvExport.h"
#include "report/HtmlReportWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace trevix {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(CsvExport, FieldsAreQuotedOnlyWhenNeeded) {
    struct Case {
        const char* field;
        const char* written;
    } cases[] = {
        {"plain", "plain"},
        {"", ""},
        {" blanks kept ", " blanks kept "},
        {"1,234", "\"1,234\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rlf\r\n", "\"cr\rlf\r\n\""},
        {"caf\xC3\xA9;tab\there", "caf\xC3\xA9;tab\there"},
    };
    for (const auto& c : cases) {
        std::string out;
        AppendCsvField(out, c.field);
        EXPECT_EQ(out, c.written) << c.field;
    }
}

TEST(CsvExport, ListHasHeaderAndOneFieldPerColumnWithCrLf) {
    ReportList list("lstReferrers", {{"Referring URL", SortType::Text}, {"Visitors", SortType::Number}});
    list.Columns.push_back({"Compare", SortType::Number}); // a comparison column the rows lack
    size_t row = list.AddRow("http://a.example/?x=1,2");
    list.SetCell(row, 2, "1,234");
    list.SetCell(row, 3, "7");
    list.AddRow("-");
    EXPECT_EQ(ListAsCsv(list), "Referring URL,Visitors,Compare\r\n"
                               "\"http://a.example/?x=1,2\",\"1,234\",7\r\n"
                               "-,,\r\n");
    list.Clear();
    EXPECT_EQ(ListAsCsv(list), "Referring URL,Visitors,Compare\r\n");
}

TEST(CsvExport, SelectedRowsAsTabTextForTheClipboard) {
    ReportList list("lstFiles", {{"File", SortType::Text}, {"Gets", SortType::Number}});
    for (const char* file : {"/a", "/b\twith tab", "/c\r\nbroken"}) list.SetCell(list.AddRow(file), 2, "1,234");
    struct Case {
        std::vector<size_t> rows;
        bool header;
        const char* text;
    } cases[] = {
        {{0}, false, "/a\t1,234\n"},
        {{2, 1}, true, "File\tGets\n/c  broken\t1,234\n/b with tab\t1,234\n"}, // selection order kept
        {{}, true, "File\tGets\n"},
        {{7}, false, ""},                                              // a stale row number is skipped
    };
    for (const auto& c : cases)
        EXPECT_EQ(RowsAsTabText(list, c.rows, c.header), c.text);
}

TEST(CsvExport, FilesReplacedWholeAndFailuresLeaveOldFiles) {
    const fs::path dir = fs::temp_directory_path() / ("trevix-csv-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    ReportLists lists;
    lists[lstFiles].AddRow("/index.html");
    std::string error;
    // The folder is created; every report list gets its file, the site list none.
    ASSERT_TRUE(WriteListsAsCsv(lists, (dir / "new").string(), error)) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "new"), fs::directory_iterator{}), 15);
    EXPECT_FALSE(fs::exists(dir / "new" / "lstSites.csv"));
    EXPECT_EQ(ReadAll(dir / "new" / "lstFiles.csv"),
              "File,Total Requests,Gets,Reloads,Resumes,Bandwidth (MB)\r\n/index.html,,,,,\r\n");

    // A longer old file is replaced, not overwritten in place.
    std::ofstream(dir / "new" / "lstHour.csv") << std::string(5000, 'x');
    ASSERT_TRUE(WriteListsAsCsv(lists, (dir / "new").string(), error));
    EXPECT_EQ(ReadAll(dir / "new" / "lstHour.csv"), "Hour,Visitors\r\n");

    // A target that cannot be replaced: an error naming it, no temporary file left behind.
    fs::create_directories(dir / "blocked" / "lstFiles.csv");
    std::ofstream(dir / "blocked" / "lstHits.csv") << "old";
    EXPECT_FALSE(WriteListsAsCsv(lists, (dir / "blocked").string(), error));
    EXPECT_NE(error.find("lstFiles.csv"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(dir / "blocked" / "lstHits.csv"), "old"); // none replaced: no mixture of old and new
    for (const auto& entry : fs::directory_iterator(dir / "blocked"))
        EXPECT_EQ(entry.path().filename().string().find(".csv."), std::string::npos) << entry.path();
    fs::remove_all(dir);
}

TEST(HtmlExport, LogTextIsEscapedAndNeverBreaksTheDocument) {
    struct Case {
        const char* text;
        const char* shown;
    } cases[] = {
        {"<script>alert(1)</script>", "&lt;script&gt;alert(1)&lt;/script&gt;"},
        {"a&b \"c\" 'd'", "a&amp;b &quot;c&quot; &#39;d&#39;"},
        {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"tab\tcr\rlf\n", "tab\tcr\rlf\n"},
        {"nul\x01x\x7Fy", "nul\xEF\xBF\xBDx\xEF\xBF\xBDy"},           // controls
        {"c1\xC2\x85", "c1\xEF\xBF\xBD"},                                // U+0085
        {"non\xEF\xBF\xBE", "non\xEF\xBF\xBD"},                          // U+FFFE
        {"bad\xFF\xC3", "bad\xEF\xBF\xBD\xEF\xBF\xBD"},                  // not UTF-8
        {"lt\xC0\xBC", "lt\xEF\xBF\xBD\xEF\xBF\xBD"},                   // overlong "<"
        {"hi\xF5\x80\x80\x80", "hi\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // beyond U+10FFFF
    };
    for (const auto& c : cases) {
        std::string out;
        AppendHtmlEscaped(out, c.text);
        EXPECT_EQ(out, c.shown) << c.text;
    }
}

TEST(HtmlExport, ReportHoldsEveryListChartsAndComparisonColumns) {
    ReportLists lists;
    lists.Summary = "Total hits: 3\r\n<b>x</b>";
    size_t row = lists[lstBrowsers].AddRow("Mozilla/5.0 <img src=x onerror=alert(1)>");
    lists[lstBrowsers].SetCell(row, 2, "3");
    lists[lstHour].Columns.push_back({"Compare", SortType::Number});
    lists[lstHour].AddRow("00");
    lists.HourChart.Labels = {"00", "01"};
    lists.HourChart.Values = {{1, 2}, {2, 0}};
    lists.HourChart.Colours = {{0, 0, 255}, {0, 128, 0}};
    const std::string html = HtmlReport(lists, "Shop & Co");
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("<title>Web site report \xE2\x80\x93 Shop &amp; Co</title>"), std::string::npos);
    EXPECT_NE(html.find("Total hits: 3\n&lt;b&gt;x&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(html.find("<td class=\"t\">Mozilla/5.0 &lt;img src=x onerror=alert(1)&gt;</td><td class=\"n\">3</td>"),
              std::string::npos);
    EXPECT_EQ(html.find("<img"), std::string::npos);
    EXPECT_NE(html.find("<th class=\"n\">Compare</th>"), std::string::npos);
    for (const ReportList* list : ExportedLists(lists))
        EXPECT_NE(html.find("<section id=\"" + list->Name + "\">"), std::string::npos) << list->Name;
    // Both series of the hour chart are drawn, the empty date chart says so.
    EXPECT_NE(html.find("fill=\"#0000ff\"><title>01: 2</title>"), std::string::npos);
    EXPECT_NE(html.find("fill=\"#008000\"><title>00: 2</title>"), std::string::npos);
    EXPECT_NE(html.find("<section id=\"dates\"><h2>Date Chart</h2>\n<p class=\"empty\">"), std::string::npos);
    EXPECT_EQ(html.find("http"), std::string::npos); // nothing points outside the file
}

} // namespace
} // namespace trevix
