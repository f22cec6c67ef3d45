// Report views at the size of a large log, offscreen: the real engine analyses the log, then
// the list view sorts and reloads its largest list and paints while scrolling, and the raw
// log view indexes and searches the whole raw log.
//   views_bench LOG [SHOT-FOLDER]   (SHOT-FOLDER: PNGs of the views, to look at)
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "config/Options.h"
#include "config/ReferenceDataLoader.h"
#include "engine/Analyser.h"
#include "engine/run/AnalysisRun.h"
#include "engine/lists/ListSorting.h"
#include "engine/lists/RawLogLines.h"
#include "pages/RawLogPage.h"
#include "views/RawLogView.h"
#include "views/ReportChart.h"
#include "views/ReportListView.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace trevix;
using namespace trevix::ui;

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The better of two runs of f, in seconds.
template <class F> double Best(F f) {
    double best = 1e9;
    for (int i = 0; i < 2; ++i) {
        const auto start = Clock::now();
        f();
        best = std::min(best, Since(start));
    }
    return best;
}

int ColumnTitled(const ReportList& list, const char* title) {
    for (size_t i = 0; i < list.Columns.size(); ++i)
        if (list.Columns[i].Title == title) return static_cast<int>(i);
    return 0;
}

// Mean time of painting the viewport at evenly spread positions of a scroll bar.
double PaintWhileScrolling(QAbstractScrollArea& view, int steps) {
    QScrollBar* bar = view.verticalScrollBar();
    const auto start = Clock::now();
    for (int i = 0; i < steps; ++i) {
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * i / std::max(1, steps - 1)));
        view.viewport()->repaint();
    }
    return Since(start) / steps;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: views_bench LOG [SHOT-FOLDER]\n");
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const QString shots = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    {
        // The worst case the window must take: a million visitors.
        Analyser big;
        ReportList& visitors = big.Lists[lstIPs];
        visitors.Rows.reserve(1000000);
        char text[64];
        for (int i = 0; i < 1000000; ++i) {
            std::snprintf(text, sizeof text, "10.%d.%d.%d", i >> 16, (i >> 8) & 255, i & 255);
            const size_t row = visitors.AddRow(text);
            visitors.SetCell(row, 2, i % 7 ? "United States" : "Germany");
            visitors.SetCell(row, 3, i % 3 ? "-" : "https://www.example.com/search?q=widgets");
            std::snprintf(text, sizeof text, "%02d/11/2026 %02d:%02d:%02d", 1 + i % 28, i % 24, i % 60, (i * 7) % 60);
            visitors.SetCell(row, 4, text);
            visitors.SetCell(row, 5, "/index.html");
            visitors.SetCell(row, 6, text);
            visitors.SetCell(row, 7, "/contact.html");
            visitors.SetCell(row, 8, "1m 3s");
            std::snprintf(text, sizeof text, "%lld", (i * 7919LL) % 1013);
            visitors.SetCell(row, 9, text);
            std::snprintf(text, sizeof text, "%lld.%02d", (i * 31LL) % 50, i % 100);
            visitors.SetCell(row, 10, text);
        }
        // Cells carry their numbers as the engine's and a loaded report's do.
        ReadCellNumbers(visitors, big.NumberFormat);
        ReportListView big1m;
        big1m.Attach(big, lstIPs);
        big1m.resize(1200, 800);
        big1m.show();
        QApplication::processEvents();
        std::printf("lstIPs, 1,000,000 rows made up\n");
        std::printf("  sort by \"Requests\" (header click): %.3f s\n", Best([&] { big1m.SortByColumn(8); }));
        std::printf("  sort by \"Bandwidth (MB)\" (header click): %.3f s\n", Best([&] { big1m.SortByColumn(9); }));
        std::printf("  sort by \"Entry Time\" (header click): %.3f s\n", Best([&] { big1m.SortByColumn(3); }));
        std::printf("  of which the engine's SortList by \"Bandwidth (MB)\": %.3f s\n", Best([&] {
                        int order = -1;
                        SortList(visitors, 10, order, big.NumberFormat);
                    }));
        std::printf("  reload and repaint: %.4f s\n", Best([&] {
                        big1m.Reload();
                        QApplication::processEvents();
                        big1m.viewport()->repaint();
                    }));
        std::printf("  paint while scrolling: %.2f ms per page\n", PaintWhileScrolling(big1m, 200) * 1000);
        big1m.selectAll();
        const auto copyStart = Clock::now();
        const qsizetype copied = big1m.SelectedRowsText().size();
        std::printf("  copy text of every row: %.3f s (%lld characters)\n", Since(copyStart), static_cast<long long>(copied));
    }

    Analyser a;
    MemorySettingsStore store;
    NullHost host;
    LoadOptions(store, a.Options);
    a.Options.ShowRawLog = true;
    LoadAllReferenceData(store, a.Options, a.Reference, host, FindDataFolder());
    RunRequest request;
    request.Files = {argv[1]};
    auto start = Clock::now();
    AnalyseLogFiles(a, request);
    std::printf("analysis: %.2f s, %zu visitors, %zu referrers, raw log %u lines\n", Since(start),
                a.Lists[lstIPs].RowCount(), a.Lists[lstReferrers].RowCount(), a.Tables.EntryCount);

    const int largest = a.Lists[lstIPs].RowCount() >= a.Lists[lstReferrers].RowCount() ? lstIPs : lstReferrers;
    ReportList& list = a.Lists[largest];
    ReportListView view;
    view.Attach(a, largest);
    view.resize(1200, 800);
    view.show();
    QApplication::processEvents();
    const int number = largest == lstIPs ? ColumnTitled(list, "Requests") : ColumnTitled(list, "Visitors");
    const int date = ColumnTitled(list, "Entry Time");
    std::printf("%s, %zu rows\n", list.Name.c_str(), list.RowCount());
    std::printf("  sort by \"%s\" (header click): %.3f s\n", list.Columns[number].Title.c_str(),
                Best([&] { view.SortByColumn(number); }));
    if (largest == lstIPs)
        std::printf("  sort by \"%s\" (header click): %.3f s\n", list.Columns[date].Title.c_str(),
                    Best([&] { view.SortByColumn(date); }));
    std::printf("  sort by \"%s\" (header click): %.3f s\n", list.Columns[0].Title.c_str(),
                Best([&] { view.SortByColumn(0); }));
    view.selectAll();
    std::printf("  sort with every row selected: %.3f s\n", Best([&] { view.SortByColumn(number); }));
    view.clearSelection();
    std::printf("  reload and repaint: %.4f s\n", Best([&] {
                    view.Reload();
                    QApplication::processEvents();
                    view.viewport()->repaint();
                }));
    std::printf("  paint while scrolling: %.2f ms per page\n", PaintWhileScrolling(view, 200) * 1000);

    // The page reads the run's lines where they are, as the window does.
    RawLogPage page;
    page.resize(1200, 800);
    page.ShowRawLog(true);
    page.show();
    QApplication::processEvents();
    RawLogView& raw = *page.View();
    const double indexing = Best([&] { page.SetLines(std::make_unique<RawLogLines>(a.Tables)); });
    std::printf("raw log\n  SetLines (line index): %.3f s, %zu lines\n", indexing, raw.LineCount());
    bool found = true;
    const double absent = Best([&] { found = raw.Find("no such text", true); });
    std::printf("  Find absent text (whole log): %.3f s (%s)\n", absent, found ? "FOUND" : "not found");
    const double absentUnicode = Best([&] { found = raw.Find(QString::fromUtf8("gärtnerei"), true); });
    std::printf("  Find absent non-ASCII text (whole log): %.3f s (%s)\n", absentUnicode, found ? "FOUND" : "not found");
    RawLogLines lines(a.Tables);
    std::string scratch;
    const std::string_view lastLine = lines.Count() ? lines.Line(lines.Count() - 1, scratch) : std::string_view();
    const QString tail = QString::fromUtf8(lastLine.substr(0, 30));
    const double atEnd = Best([&] { found = raw.Find(tail, true); });
    std::printf("  Find text of the last line: %.3f s (%s, line %zu on screen from %zu)\n", atEnd,
                found ? "found" : "NOT FOUND", raw.LineOf(raw.SelectionStart()), raw.TopLine());
    std::printf("  paint while scrolling: %.2f ms per page\n", PaintWhileScrolling(raw, 200) * 1000);

    if (!shots.isEmpty()) {
        view.verticalScrollBar()->setValue(0);
        view.grab().save(shots + "/list.png");
        raw.grab().save(shots + "/rawlog.png");
        for (int dark = 0; dark < 2; ++dark) {
            ReportChart dates, hours;
            for (ReportChart* chart : {&dates, &hours}) {
                QPalette pal = chart->palette();
                if (dark) {
                    pal.setColor(QPalette::Base, QColor(35, 38, 41));
                    pal.setColor(QPalette::Window, QColor(49, 54, 59));
                    pal.setColor(QPalette::Text, QColor(239, 240, 241));
                    pal.setColor(QPalette::WindowText, QColor(239, 240, 241));
                }
                chart->setPalette(pal);
                chart->resize(800, 300);
                chart->show();
            }
            dates.ShowSeries(a.Lists.DateChart);
            hours.ShowSeries(a.Lists.HourChart);
            QApplication::processEvents();
            dates.grab().save(shots + (dark ? "/dates-dark.png" : "/dates.png"));
            hours.grab().save(shots + (dark ? "/hours-dark.png" : "/hours.png"));
        }
        std::printf("pictures in %s\n", qPrintable(shots));
    }
    return 0;
}
