// The window's RunHost: what the worker thread reports reaches the window thread, questions
// from the worker are answered there, and a Cancel is not lost between two files.
#include "ui/support/ScriptedPrompter.h"
#include "window/GuiRunHost.h"

#include <QSignalSpy>
#include <QWidget>
#include <QtTest>
#include <thread>

using namespace trevix;
using namespace trevix::ui;

class GuiRunHostTest : public QObject {
    Q_OBJECT
private slots:
    void cancelSurvivesUntilTheWorkLooks_data() {
        QTest::addColumn<QString>("steps");   // c Cancel, r ResetCancel, l look (IsCancelled), s StartWork
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("nothing") << "" << false;
        QTest::newRow("cancel") << "c" << true;
        QTest::newRow("cancel before the file starts") << "cr" << true;
        QTest::newRow("cancel seen, next file starts") << "clr" << false;
        QTest::newRow("cancel seen twice") << "cll" << true;
        QTest::newRow("new work forgets a cancel") << "cs" << false;
        QTest::newRow("cancel again in the next file") << "clrc" << true;
    }
    void cancelSurvivesUntilTheWorkLooks() {
        QFETCH(QString, steps);
        QFETCH(bool, cancelled);
        QWidget window;
        GuiRunHost host(&window);
        for (QChar step : steps) {
            if (step == 'c') host.Cancel();
            if (step == 'r') host.ResetCancel();
            if (step == 'l') host.IsCancelled();
            if (step == 's') host.StartWork();
        }
        QCOMPARE(host.IsCancelled(), cancelled);
    }

    void workerReportsReachTheWindowThread() {
        QWidget window;
        GuiRunHost host(&window);
        test::ScriptedPrompter prompter;
        prompter.AnswerYesNo(true);
        QSignalSpy status(&host, &GuiRunHost::StatusChanged);
        QSignalSpy progress(&host, &GuiRunHost::ProgressChanged);
        QSignalSpy visible(&host, &GuiRunHost::ProgressVisibleChanged);
        bool answer = false;
        std::thread worker([&] {
            host.ShowProgress(true);
            for (int i = 0; i <= 1000; ++i) host.SetProgress(i, 1000);
            host.SetStatus("Loading a.log ...");
            host.SetStatus("Processing...");
            // Byte counts beyond what a progress bar holds are scaled.
            host.SetProgress(3000000000LL, 6000000000LL);
            host.ShowMessage(MessageIcon::Critical, "File does not exist", "The file:\r\n\r\nx.log");
            answer = host.AskYesNo("Trevix", "Go on?");
        });
        while (!answer && prompter.Count("YesNo") == 0) QCoreApplication::processEvents();
        worker.join();
        QVERIFY(answer);
        QCOMPARE(prompter.Asked.front().Text, QString("The file:\n\nx.log"));
        QCOMPARE(prompter.Asked.front().Icon, MessageIcon::Critical);
        // Only the latest values are shown, at most once per flush.
        host.Flush();
        QCOMPARE(status.last().at(0).toString(), QString("Processing..."));
        QVERIFY(status.count() <= 2);
        QCOMPARE(progress.last().at(0).toInt(), 500);
        QCOMPARE(progress.last().at(1).toInt(), 1000);
        QVERIFY(progress.count() <= 2);
        QCOMPARE(visible.last().at(0).toBool(), true);
        // On the window thread everything is shown at once.
        host.SetStatus("Report Loaded");
        QCOMPARE(status.last().at(0).toString(), QString("Report Loaded"));
    }
};

QTEST_MAIN(GuiRunHostTest)
#include "GuiRunHostTest.moc"
