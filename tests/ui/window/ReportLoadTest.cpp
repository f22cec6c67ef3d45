// Loading a report is work like a run: on a worker, with progress and Cancel, while the window
// goes on serving its events. The report here is about 50 MB, nearly all of it summary text.
#include "WindowFixture.h"

#include "report/XmlReportLoader.h"
#include "views/ReportListView.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QSemaphore>
#include <QTimer>

#include <algorithm>
#include <atomic>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {

// Records the longest time between two turns of the event loop.
class TurnWatch {
public:
    TurnWatch() {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Turn(); });
        clock_.start();
        timer_.start();
    }
    // The longest gap so far, counting the one that ends now.
    qint64 Longest() {
        Turn();
        return longest_;
    }

private:
    void Turn() {
        const qint64 now = clock_.elapsed();
        longest_ = std::max(longest_, now - last_);
        last_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0, longest_ = 0;
};

QByteArray SummaryOf(const QByteArray& file) {
    const qsizetype from = file.indexOf("<Summary>") + 9, to = file.indexOf("</Summary>");
    return from < 9 || to < from ? QByteArray() : file.mid(from, to - from);
}

} // namespace

class ReportLoadTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString big_;
    QByteArray summary_;   // as the file holds it: lines end in CR LF, as a saved report's do

private slots:
    void initTestCase() {
        summary_.reserve(52 << 20);
        for (int line = 0; summary_.size() < (50 << 20); ++line)
            summary_ += "Line " + QByteArray::number(line).rightJustified(7, '0') +
                        ": 12 visitors from 10.0.0.0/8 looked at /pages/" + QByteArray::number(line % 977) +
                        ".html\r\n";
        big_ = dir_.filePath("big.xml");
        QFile f(big_);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<?xml version=\"1.0\"?>\n<TrevixReport><Generator>Trevix Pro 0.1.0</Generator><Source/>"
                "<Domains><Domain>www.example.com</Domain></Domains><Summary>");
        f.write(summary_);
        f.write("</Summary><HitsSummary><Date Hits=\"3\">02/11/2026</Date><Hour Hits=\"3\">9</Hour></HitsSummary>"
                "<Visitors>");
        for (int i = 0; i < 300; ++i)
            f.write("<Visitor Country=\"C\" Referrer=\"-\" EntryTime=\"02/11/2026 09:15:00\" EntryPage=\"/\" "
                    "ExitTime=\"02/11/2026 09:20:00\" ExitPage=\"/x\" TimeSpent=\"00:05:00\" Requests=\"1\" "
                    "Bytes=\"0.01\">10.0.1." + QByteArray::number(i) + "</Visitor>");
        f.write("</Visitors><Referrers/><SearchEngines/><SearchTerms/><RawBrowserData/><WebBrowsers/><OSData/>"
                "<Files/><Countries/><Errors/><Conversions/></TrevixReport>\n");
        QVERIFY(f.error() == QFileDevice::NoError);
        qInfo("report file: %lld bytes", static_cast<long long>(f.size()));
    }

    // The window keeps turning, shows the start of the summary with a note, and Save writes the
    // whole text back byte for byte.
    void aHugeSummaryIsShownCutAndSavedWhole() {
        WindowFixture f;
        QElapsedTimer took;
        took.start();
        TurnWatch watch;
        f.win->LoadReport(big_, false);
        const qint64 longest = watch.Longest();
        qInfo("load: %lld ms, longest time between event-loop turns: %lld ms", static_cast<long long>(took.elapsed()),
              static_cast<long long>(longest));
        QVERIFY2(longest < 1000, qPrintable(QString::number(longest)));
        QCOMPARE(f.win->Status(), QString("Report Loaded"));
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 300);

        const QString shown = f.Find<QPlainTextEdit>("txtHits")->toPlainText();
        QVERIFY(shown.startsWith("Line 0000000: 12 visitors"));
        QVERIFY(shown.size() < (1 << 20) + 1000);
        QVERIFY2(shown.endsWith("The whole text is kept and saved with the report.]"), qPrintable(shown.right(200)));
        // Whole lines only, then the note.
        const QStringList lines = shown.split('\n');
        QVERIFY(lines.at(lines.size() - 3).endsWith(".html"));
        QVERIFY(lines.at(lines.size() - 2).isEmpty());

        const QString saved = f.Path("saved.xml");
        QVERIFY(f.win->SaveReport(saved));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = SummaryOf(file.readAll());
        QCOMPARE(written.size(), summary_.size());
        QVERIFY(written == summary_);
    }

    void cancelStopsTheLoadPromptly_data() {
        QTest::addColumn<bool>("compare");
        QTest::addColumn<bool>("midway");
        QTest::newRow("load, at once") << false << false;
        QTest::newRow("load, in the visitors") << false << true;
        QTest::newRow("compare, at once") << true << false;
        QTest::newRow("compare, in the visitors") << true << true;
    }
    // Cancel is pressed as soon as the window offers it, or once the loader is in the middle
    // of the visitors. A plain load keeps what it read; a comparison leaves the report on
    // screen as it was.
    void cancelStopsTheLoadPromptly() {
        QFETCH(bool, compare);
        QFETCH(bool, midway);
        WindowFixture f;
        const QString small = f.WriteLog("small.xml", QString::fromUtf8(
            "<?xml version=\"1.0\"?><TrevixReport><Domains><Domain>a.example</Domain></Domains>"
            "<Summary>Small report</Summary><HitsSummary/><Visitors/><Referrers/><SearchEngines/><SearchTerms/>"
            "<RawBrowserData/><WebBrowsers/><OSData/><Files>"
            "<File TotalRequests=\"2\" Gets=\"2\" Reloads=\"0\" Resumes=\"0\" Bytes=\"0.01\">/a.html</File>"
            "</Files><Countries/><Errors/><Conversions/></TrevixReport>"));
        f.win->LoadReport(small, false);
        QCOMPARE(f.win->Status(), QString("Report Loaded"));

        // Midway: the worker waits at its first event point among the visitors until Cancel
        // has been pressed.
        std::atomic<bool> held{false};
        QSemaphore pressedSignal;
        Analyser& a = f.A();
        f.win->Host().WorkerPauseHook = [&] {
            if (!midway || held || a.Lists[lstIPs].RowCount() == 0) return;
            held = true;
            pressedSignal.acquire();
        };
        QPushButton* cancel = f.Find<QPushButton>("butCancel");
        QElapsedTimer clock;
        clock.start();
        qint64 pressed = -1;
        QTimer poll;
        poll.setInterval(2);
        connect(&poll, &QTimer::timeout, &poll, [&] {
            if (pressed >= 0 || !cancel->isVisible() || (midway && !held)) return;
            pressed = clock.elapsed();
            QTest::mouseClick(cancel, Qt::LeftButton);
            pressedSignal.release();
        });
        poll.start();
        f.win->LoadReport(big_, compare);
        const qint64 ended = clock.elapsed();
        f.win->Host().WorkerPauseHook = nullptr;
        QVERIFY(pressed >= 0);
        qInfo("Cancel pressed %lld ms into the load; the load ended %lld ms later", static_cast<long long>(pressed),
              static_cast<long long>(ended - pressed));
        QVERIFY2(ended - pressed < 3000, qPrintable(QString::number(ended - pressed)));

        QVERIFY(!f.win->IsWorking());
        QVERIFY(!cancel->isVisible());
        QVERIFY(f.Action("mnuFileLoad")->isEnabled());
        QCOMPARE(f.prompter.Count("Message"), 0);
        QVERIFY(!a.Lists.State.CompareReportLoaded);
        const QString shown = f.Find<QPlainTextEdit>("txtHits")->toPlainText();
        const ReportList& files = a.Lists[lstFiles];
        if (compare || !midway) {
            // A comparison put back, or a load stopped before the file was parsed.
            QCOMPARE(f.win->Status(), QString("Loading cancelled"));
            QCOMPARE(shown, QString("Small report"));
            QCOMPARE(files.RowCount(), size_t{1});
            for (size_t cell = 7; cell <= 12; ++cell) QCOMPARE(std::string(files.Cell(0, cell)), std::string());
            QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 0);
        } else {
            // As after a failure there: the summary and the first hundred visitors.
            QCOMPARE(f.win->Status(), QString("Loading cancelled; the report shows only part of the file"));
            QVERIFY(shown.startsWith("Line 0000000"));
            QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 100);
            QCOMPARE(files.RowCount(), size_t{0});
        }
    }
};

QTEST_MAIN(ReportLoadTest)
#include "ReportLoadTest.moc"
