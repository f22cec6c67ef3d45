// The window's analysis, measured offscreen through the real window classes: the time from
// "Show Report" to every page filled, the longest gap between event-loop turns while it runs,
// how soon Cancel stops a run, sorting the largest list by a number column, and peak memory.
// Usage: gui_bench LOGFILE [TREVIX-CLI]   (with the CLI: its time and peak on the same log)
// TREVIX_BENCH_RAWLOG=1 fills the raw log page too; TREVIX_CANCEL_AFTER_MS moves the Cancel.
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "engine/Analyser.h"
#include "views/ReportListView.h"
#include "window/GuiRunHost.h"
#include "window/MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

using namespace trevix;
using namespace trevix::ui;

namespace {

long PeakKilobytes(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

// Records the longest interval between turns of the event loop while it is on.
class GapMeter : public QObject {
public:
    GapMeter() {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.nsecsElapsed();
            if (last_ >= 0) longest_ = std::max(longest_, now - last_);
            last_ = now;
        });
    }
    void Start() {
        longest_ = 0;
        last_ = -1;
        clock_.start();
        timer_.start();
    }
    double Stop() {
        timer_.stop();
        return longest_ / 1e6;
    }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1, longest_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gui_bench LOGFILE [TREVIX-CLI]\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString log = QString::fromLocal8Bit(argv[1]);

    if (argc > 2) {
        QElapsedTimer t;
        t.start();
        QProcess cli;
        cli.setStandardOutputFile(QProcess::nullDevice());
        cli.setStandardErrorFile(QProcess::nullDevice());
        QStringList args{log};
        if (qEnvironmentVariableIntValue("TREVIX_BENCH_RAWLOG") == 1) args << "--set" << "ShowRawLog=Yes";
        cli.start(QString::fromLocal8Bit(argv[2]), args);
        cli.waitForFinished(-1);
        std::printf("trevix-cli LOG:                       %.2f s, peak %ld MB\n", t.elapsed() / 1000.0,
                    PeakKilobytes(RUSAGE_CHILDREN) / 1024);
    }

    MemorySettingsStore store;
    store.SaveSetting("Options", "AutoReport", "No");
    // TREVIX_BENCH_RAWLOG=1: with the raw log page filled (the CLI then gets --set ShowRawLog=Yes).
    const bool rawLog = qEnvironmentVariableIntValue("TREVIX_BENCH_RAWLOG") == 1;
    store.SaveSetting("Options", "ShowRawLog", rawLog ? "Yes" : "No");
    MainWindow window(store);
    window.LoadReferenceData(FindDataFolder());
    window.ReadTimeZoneOffset();
    window.resize(1200, 800);
    window.show();
    QApplication::processEvents();
    window.AddLogFiles({log});

    GapMeter gaps;
    QElapsedTimer t;
    gaps.Start();
    t.start();
    window.TaskClick("report");
    window.WaitForWork();
    QApplication::processEvents();   // the pages painted once
    const double shown = t.elapsed() / 1000.0;
    const double gap = gaps.Stop();
    std::printf("Show Report to every page filled:     %.2f s\n", shown);
    std::printf("longest gap between event-loop turns: %.0f ms\n", gap);
    std::printf("peak memory after the report:         %ld MB\n", PeakKilobytes(RUSAGE_SELF) / 1024);

    // Sorting the largest list by its number column, as a header click does.
    Analyser& a = window.analyser();
    const int largest = a.Lists[lstReferrers].RowCount() > a.Lists[lstIPs].RowCount() ? lstReferrers : lstIPs;
    ReportListView* view = window.ListView(largest);
    const int column = largest == lstIPs ? 8 : 2;   // "Requests" / "Visitors"
    t.restart();
    emit view->horizontalHeader()->sectionClicked(column);
    QApplication::processEvents();
    std::printf("sort %s (%zu rows) by a number column: %.3f s\n", a.Lists[largest].Name.c_str(),
                a.Lists[largest].RowCount(), t.elapsed() / 1000.0);

    // Cancel a second run midway: at half the time the first one took, or TREVIX_CANCEL_AFTER_MS.
    const int cancelAfter = qEnvironmentVariableIsSet("TREVIX_CANCEL_AFTER_MS")
                                ? qEnvironmentVariableIntValue("TREVIX_CANCEL_AFTER_MS")
                                : static_cast<int>(shown * 500);
    gaps.Start();
    window.TaskClick("update");
    QElapsedTimer cancelled;
    QTimer::singleShot(cancelAfter, &window, [&] {
        if (!window.IsWorking()) return;
        cancelled.start();
        window.CancelWork();
    });
    window.WaitForWork();
    if (cancelled.isValid())
        std::printf("Cancel %4d ms in, to the run stopped: %.3f s\n", cancelAfter, cancelled.elapsed() / 1000.0);
    else
        std::printf("the second run ended before Cancel (%d ms)\n", cancelAfter);
    std::printf("longest gap during the cancelled run: %.0f ms\n", gaps.Stop());
    return 0;
}
