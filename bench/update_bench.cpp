// A change of filters after a report, measured offscreen through the real window: the time
// from "Show Report" to every page filled, then from "Update" with only the filters changed
// (status 404, and the user agent without Googlebot). Each round opens a new window, so its
// first run reads the log; the medians of the rounds are printed.
// Usage: update_bench LOGFILE [ROUNDS]
// TREVIX_BENCH_READ_AGAIN=1: the Update reads the file again, as a changed file is read.
// TREVIX_BENCH_BROAD=1: the Update filters out Googlebot only.
#include "config/DataFolder.h"
#include "config/MemorySettingsStore.h"
#include "engine/Analyser.h"
#include "window/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace trevix;
using namespace trevix::ui;

namespace {

void SetFilter(MainWindow& w, const QString& name, int op, const QString& value) {
    w.findChild<QCheckBox*>("chkFilter" + name)->click();
    auto* combo = w.findChild<QComboBox*>("cboFilter" + name + "Op");
    combo->setCurrentIndex(op);
    emit combo->activated(op);
    w.findChild<QComboBox*>("cboFilter" + name)->setEditText(value);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Timed(MainWindow& w, const char* task) {
    QElapsedTimer t;
    t.start();
    w.TaskClick(task);
    w.WaitForWork();
    QApplication::processEvents();   // the pages painted once
    return t.elapsed() / 1000.0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: update_bench LOGFILE [ROUNDS]\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString log = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    std::vector<double> first, update, ratio;
    for (int round = 0; round < rounds; ++round) {
        MemorySettingsStore store;
        store.SaveSetting("Options", "AutoReport", "No");
        store.SaveSetting("Options", "ShowRawLog", "No");
        MainWindow window(store);
        window.LoadReferenceData(FindDataFolder());
        window.ReadTimeZoneOffset();
        window.resize(1200, 800);
        window.show();
        QApplication::processEvents();
        window.AddLogFiles({log});
        // Once untimed, so the timed run finds the remembered sort orders a user's settings
        // always hold; its text is then forgotten, so the timed run reads the file.
        Timed(window, "report");
        for (auto& text : window.analyser().Tables.FileTexts) text->ForgetSource();
        first.push_back(Timed(window, "update"));
        const uint32_t all = window.analyser().Tables.EntryCount;
        if (qEnvironmentVariableIntValue("TREVIX_BENCH_READ_AGAIN") == 1)
            for (auto& text : window.analyser().Tables.FileTexts) text->ForgetSource();
        // TREVIX_BENCH_BROAD=1: only the agent filter, which keeps most lines.
        if (qEnvironmentVariableIntValue("TREVIX_BENCH_BROAD") != 1) SetFilter(window, "Status", 0, "404");
        SetFilter(window, "Agent", 1, "Googlebot");
        update.push_back(Timed(window, "update"));
        ratio.push_back(update.back() / first.back());
        std::printf("round %d: Show Report %.2f s (%u entries), Update %.2f s (%u entries, %u file(s) not read again)\n",
                    round + 1, first.back(), all, update.back(), window.analyser().Tables.EntryCount,
                    window.analyser().Tables.TextsReused);
    }
    std::printf("median Show Report: %.2f s, median Update: %.2f s, median ratio %.2f\n", Median(first), Median(update),
                Median(ratio));
    return 0;
}
