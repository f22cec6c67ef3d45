// Times of loading a saved report and of comparing a second one with it:
//   report_bench REPORT.xml OTHER.xml
#include "engine/Analyser.h"
#include "report/XmlReportLoader.h"

#include <chrono>
#include <cstdio>

using namespace trevix;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: report_bench REPORT.xml OTHER.xml\n");
        return 1;
    }
    auto seconds = [](auto start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    Analyser a;
    auto start = std::chrono::steady_clock::now();
    if (!LoadXMLReport(a, argv[1], false)) return 2;
    std::printf("load %s: %.3f s (%zu visitors, %u referrers, %zu files)\n", argv[1], seconds(start),
                a.Lists[lstIPs].RowCount(), a.Tables.ReferrerCount(), a.Lists[lstFiles].RowCount());
    start = std::chrono::steady_clock::now();
    if (!LoadXMLReport(a, argv[2], true)) return 2;
    std::printf("compare %s: %.3f s (%zu files, %zu search terms after merging)\n", argv[2], seconds(start),
                a.Lists[lstFiles].RowCount(), a.Lists[lstSearchTerms].RowCount());
    return 0;
}
