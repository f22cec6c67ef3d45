// Times of the exports of a saved report: every list as CSV and the whole HTML page.
//   export_bench REPORT.xml OUTPUT-FOLDER [OTHER.xml]
// With OTHER.xml the report is compared first, so the comparison columns are exported too.
#include "engine/Analyser.h"
#include "report/CsvExport.h"
#include "report/HtmlReportWriter.h"
#include "report/XmlReportLoader.h"

#include <chrono>
#include <cstdio>
#include <filesystem>

using namespace trevix;

namespace {
class CountingHost : public NullHost {
public:
    void ShowMessage(MessageIcon, std::string_view, std::string_view text) override {
        std::fprintf(stderr, "message: %.*s\n", static_cast<int>(text.size()), text.data());
    }
};
} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: export_bench REPORT.xml OUTPUT-FOLDER [OTHER.xml]\n");
        return 1;
    }
    auto seconds = [](auto start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    Analyser a;
    CountingHost host;
    a.SetHost(&host);
    if (!LoadXMLReport(a, argv[1], false)) return 2;
    if (argc == 4 && !LoadXMLReport(a, argv[3], true)) return 2;
    size_t rows = 0;
    for (const ReportList* list : ExportedLists(a.Lists)) rows += list->RowCount();
    const std::string folder = argv[2];
    std::string error;
    auto start = std::chrono::steady_clock::now();
    if (!WriteListsAsCsv(a.Lists, folder, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("CSV, %zu rows in 15 files: %.3f s\n", rows, seconds(start));
    const std::string html = (std::filesystem::path(folder) / "report.html").string();
    start = std::chrono::steady_clock::now();
    if (!WriteHtmlReport(a.Lists, a.CurrentProfile.SiteName, html, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("HTML, %zu rows, %.1f MB: %.3f s\n", rows,
                static_cast<double>(std::filesystem::file_size(html)) / 1e6, seconds(start));
    return 0;
}
