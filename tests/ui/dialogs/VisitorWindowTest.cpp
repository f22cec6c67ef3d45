// The visitor report window through its real widgets: caption, summary blocks, the page list
// grouped per visitor, reuse of the one window, and its stored placement and column widths.
// moc need not read the standard library behind the test helpers.
#ifndef Q_MOC_RUN
#include "ui/support/SmallRun.h"
#endif
#include "config/MemorySettingsStore.h"
#include "dialogs/VisitorWindow.h"
#include "report/XmlReportLoader.h"
#include "report/XmlReportWriter.h"
#include "views/ReportListView.h"
#include "common/Twips.h"

#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const std::string Log =
    Line("10.0.0.1", "05/Nov/2026:10:00:00", "/index.html", "2048", "http://search.test/q") +
    Line("10.0.0.2", "05/Nov/2026:10:00:01", "/a.html", "0") +
    Line("10.0.0.1", "05/Nov/2026:10:00:02", "/logo.gif", "512", "http://www.example.com/index.html") +
    Line("10.0.0.3", "05/Nov/2026:10:00:03", "/b.html", "-") +
    Line("10.0.0.2", "05/Nov/2026:10:00:04", "/c.html", "100", "http://www.example.com/a.html", 404) +
    Line("10.0.0.1", "05/Nov/2026:10:00:05", "/d.html", "300", "-", 200, "Agent/9 (last one)");
} // namespace

class VisitorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() { run_ = std::make_unique<SmallRun>(); }
    // The window shows the analyser's lists: it goes first.
    void cleanup() {
        delete VisitorWindow::Instance();
        run_.reset();
    }

    void fillsCaptionSummaryAndPagesForTheSelectedRows_data() {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("pageIPs");       // first cell of every page row, in order
        QTest::addColumn<QStringList>("pageBytes");     // Bytes cell of every page row
        QTest::addColumn<int>("summaryBlocks");
        QTest::newRow("three visitors, list order, grouped per visitor")
            << QStringList{"10.0.0.1", "10.0.0.2", "10.0.0.3"} << "Visitor Report - 3 visitors"
            << QStringList{"10.0.0.1", "10.0.0.1", "10.0.0.1", "10.0.0.2", "10.0.0.2", "10.0.0.3"}
            << QStringList{"2,048", "512", "300", "", "100", ""} << 3;
        QTest::newRow("one visitor: its address in the caption")
            << QStringList{"10.0.0.2"} << "Visitor Report - 10.0.0.2" << QStringList{"10.0.0.2", "10.0.0.2"}
            << QStringList{"", "100"} << 1;
    }
    void fillsCaptionSummaryAndPagesForTheSelectedRows() {
        QFETCH(QStringList, selected);
        QFETCH(QString, caption);
        QFETCH(QStringList, pageIPs);
        QFETCH(QStringList, pageBytes);
        QFETCH(int, summaryBlocks);
        SmallRun& run = *run_;
        run.Run(Log);
        MemorySettingsStore store;
        std::vector<int> rows;
        for (const QString& ip : selected) rows.push_back(run.RowOf(lstIPs, ip.toStdString()));
        std::sort(rows.begin(), rows.end());

        ShowVisitorReport(run.A, &store, rows, nullptr);
        VisitorWindow* w = VisitorWindow::Instance();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), caption);
        auto* pages = w->findChild<ReportListView*>("lstPages");
        QVERIFY(pages);
        QStringList ips, bytes;
        for (int r = 0; r < pages->model()->rowCount(); ++r) {
            ips << pages->model()->index(r, 0).data().toString();
            bytes << pages->model()->index(r, 5).data().toString();
        }
        QCOMPARE(ips, pageIPs);
        QCOMPARE(bytes, pageBytes);
        const QString summary = w->findChild<QPlainTextEdit*>("txtSummary")->toPlainText();
        QCOMPARE(summary.count("Visitor: "), summaryBlocks);
        QVERIFY(summary.contains("Visitor: " + selected.front() + " from "));
        SaveShot(w, "visitor-report");
    }

    void summaryNamesTheLastUserAgentAndTheTotals() {
        SmallRun& run = *run_;
        run.Run(Log);
        ShowVisitorReport(run.A, nullptr, {run.RowOf(lstIPs, "10.0.0.1")}, nullptr);
        const QString summary = VisitorWindow::Instance()->findChild<QPlainTextEdit*>("txtSummary")->toPlainText();
        QVERIFY2(summary.contains("(Agent/9 (last one))\nRequests: 3\nBandwidth used: 0.00 MB"), qPrintable(summary));
    }

    void oneWindowIsRefilledAndAnEmptySelectionDoesNothing() {
        SmallRun& run = *run_;
        run.Run(Log);
        ShowVisitorReport(run.A, nullptr, {run.RowOf(lstIPs, "10.0.0.3")}, nullptr);
        VisitorWindow* first = VisitorWindow::Instance();
        ShowVisitorReport(run.A, nullptr, {run.RowOf(lstIPs, "10.0.0.1")}, nullptr);
        QCOMPARE(VisitorWindow::Instance(), first);
        QCOMPARE(first->windowTitle(), QString("Visitor Report - 10.0.0.1"));
        QCOMPARE(first->findChild<ReportListView*>("lstPages")->model()->rowCount(), 3);
        ShowVisitorReport(run.A, nullptr, {}, nullptr);
        QCOMPARE(first->windowTitle(), QString("Visitor Report - 10.0.0.1"));
    }

    void afterAReportLoadThePageListStaysEmpty() {
        SmallRun& run = *run_;
        run.Run(Log);
        const std::string report = run.Dir.File("report.xml");
        QVERIFY(SaveXMLReport(run.A, report));
        SmallRun loaded;
        QVERIFY(LoadXMLReport(loaded.A, report, false));
        ShowVisitorReport(loaded.A, nullptr, {loaded.RowOf(lstIPs, "10.0.0.1")}, nullptr);
        VisitorWindow* w = VisitorWindow::Instance();
        QCOMPARE(w->windowTitle(), QString("Visitor Report - 10.0.0.1"));
        QCOMPARE(w->findChild<ReportListView*>("lstPages")->model()->rowCount(), 0);
        const QString summary = w->findChild<QPlainTextEdit*>("txtSummary")->toPlainText();
        QVERIFY2(summary.startsWith("Visitor: 10.0.0.1 from ") && summary.contains("()\n"), qPrintable(summary));
        delete w;   // before the loaded analyser goes
    }

    void headerClickSortsThroughTheEngine() {
        SmallRun& run = *run_;
        run.Run(Log);
        ShowVisitorReport(run.A, nullptr, {0, 1, 2}, nullptr);
        auto* pages = VisitorWindow::Instance()->findChild<ReportListView*>("lstPages");
        emit pages->horizontalHeader()->sectionClicked(4);   // "Result": a number column descends first
        QCOMPARE(pages->model()->index(0, 4).data().toString(), QString("404"));
        QCOMPARE(run.A.Lists.Pages.SortOrder, 1);
    }

    void placementAndColumnWidthsAreStoredAndRestored() {
        SmallRun& run = *run_;
        run.Run(Log);
        MemorySettingsStore store;
        store.SaveSetting("Window", "VisitorPagesWidth3", "2880");
        store.SaveSetting("Window", "VisitorWidth", "9000");
        ShowVisitorReport(run.A, &store, {0}, nullptr);
        VisitorWindow* w = VisitorWindow::Instance();
        auto* pages = w->findChild<ReportListView*>("lstPages");
        QCOMPARE(pages->columnWidth(2), TwipsToPixelsForTest(2880, pages));
        // No stored width: the column is sized to its header and the visitor's pages.
        QCOMPARE(pages->columnWidth(0), pages->ContentsWidth(0));
        const std::string fitted = std::to_string(PixelsToTwips(pages->ContentsWidth(0), pages));
        pages->setColumnWidth(5, TwipsToPixelsForTest(2880, pages));
        w->findChild<QPushButton*>("butClose")->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!VisitorWindow::Instance());
        QCOMPARE(store.GetSetting("Window", "VisitorPagesWidth6"), std::string("2880"));
        QCOMPARE(store.GetSetting("Window", "VisitorPagesWidth1"), fitted);
        QCOMPARE(store.GetSetting("Window", "VisitorState"), std::string("0"));
        QVERIFY(store.HasSetting("Window", "VisitorLeft") && store.HasSetting("Window", "VisitorHeight"));
        QCOMPARE(store.GetSetting("Window", "VisitorWidth"), std::string("9000"));
    }

private:
    std::unique_ptr<SmallRun> run_;
    static int TwipsToPixelsForTest(int twips, QWidget* w) { return qRound(twips * w->logicalDpiX() / 1440.0); }
};

QTEST_MAIN(VisitorWindowTest)
#include "VisitorWindowTest.moc"
