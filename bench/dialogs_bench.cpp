// Times of the two windows that look up a visitor's or a file's own data after an analysis:
//   dialogs_bench LOG [VISITORS] [FILE]
// analyses LOG (domain example.com), then opens the visitor report for the first VISITORS
// (default 100) rows of the visitor page, and the referred-by/to view for FILE (default the
// most requested file), each through its real window (offscreen unless QT_QPA_PLATFORM says otherwise).
#include "config/ReferenceDataLoader.h"
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "dialogs/DataViewWindow.h"
#include "dialogs/VisitorWindow.h"
#include "engine/Analyser.h"
#include "engine/run/AnalysisRun.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace trevix;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: dialogs_bench LOG [VISITORS]\n");
        return 1;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int visitors = argc > 2 ? std::atoi(argv[2]) : 100;
    auto seconds = [](auto start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };

    Analyser a;
    MemorySettingsStore store;
    NullHost host;
    LoadAllReferenceData(store, a.Options, a.Reference, host, FindDataFolder());
    RunRequest request;
    request.Files = {argv[1]};
    request.Profile.Domains = {"example.com"};
    auto start = std::chrono::steady_clock::now();
    AnalyseLogFiles(a, request);
    std::printf("analysis: %.3f s (%u entries, %u visitors, %u referrers)\n", seconds(start), a.Tables.EntryCount,
                a.Tables.VisitorCount(), a.Tables.ReferrerCount());

    std::vector<int> rows;
    for (int r = 0; r < visitors && static_cast<size_t>(r) < a.Lists[lstIPs].RowCount(); ++r) rows.push_back(r);
    start = std::chrono::steady_clock::now();
    trevix::ui::ShowVisitorReport(a, &store, rows, nullptr);
    app.processEvents();
    std::printf("visitor report, %zu visitors: %.3f s (%zu requests listed)\n", rows.size(), seconds(start),
                a.Lists.Pages.RowCount());

    // The file with the most requests: the page list is sorted by the run's settings, so look.
    const ReportList& files = a.Lists[lstFiles];
    int busiest = 0;
    long most = -1;
    for (size_t r = 0; r < files.RowCount(); ++r) {
        auto v = a.NumberFormat.ParseNumber(files.Cell(r, 2));
        if (v && *v > most) most = static_cast<long>(*v), busiest = static_cast<int>(r);
    }
    if (argc > 3)
        for (size_t r = 0; r < files.RowCount(); ++r)
            if (files.Cell(r, 1) == argv[3]) busiest = static_cast<int>(r);
    start = std::chrono::steady_clock::now();
    auto* view = trevix::ui::ShowReferredByTo(a, &store, busiest, nullptr);
    app.processEvents();
    std::printf("referred by/to %s: %.3f s (%zu by, %zu to)\n", std::string(files.Cell(static_cast<size_t>(busiest), 1)).c_str(),
                seconds(start), view->ReferredBy().RowCount(), view->ReferredTo().RowCount());
    return 0;
}
