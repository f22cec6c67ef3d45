// What the window shows and where it starts on a first run: folders made when first needed,
// the open-file dialog's folder, the status and summary after start-up and a missing file, the
// report before the automatic report's error, the visitor window and the caption after other
// work, and the date filter's pickers and order check.
#include "WindowFixture.h"
#include "dialogs/VisitorWindow.h"
#include "common/ProgramInfo.h"

#include <QDateEdit>
#include <QDir>
#include <QPushButton>
#include <QToolButton>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

// Visitors 0..count-1 on one day.
QString Visitors(int from, int count, int day) {
    QString text;
    for (int i = from; i < from + count; ++i) text += LogLine(i, day, "/index.html");
    return text;
}

QString Summary(const WindowFixture& f) { return f.Find<QPlainTextEdit>("txtHits")->toPlainText(); }

void SelectVisitorRows(WindowFixture& f, const std::vector<int>& rows) {
    ReportListView* ips = f.win->ListView(lstIPs);
    ips->clearSelection();
    for (int r : rows)
        ips->selectionModel()->select(ips->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Lists another file instead of the ones listed, as the user would with Remove and Open.
void ReplaceLogFiles(WindowFixture& f, const QString& file) {
    f.Find<QListWidget>("lstLogFiles")->selectAll();
    f.Find<QToolButton>("Toolbar2_delete")->click();
    f.win->AddLogFiles({file});
}
} // namespace

class WindowStateTest : public QObject {
    Q_OBJECT
private slots:
    // A new account has no documents folder: the report folder is made with its parents. A
    // folder that cannot be made is told after the report is on screen.
    void theAutomaticReportMakesItsFolderAndTellsItsErrorAfterTheReport() {
        QTemporaryDir home;
        const QString reports = home.filePath("Documents/Downloaded Log Files");
        WindowFixture f(QString(OneSite) + "[Options]\nAutoReport=Yes\nRenameTemplate=%f\nDefaultXMLFolder=" + reports + "\n");
        f.Run({f.WriteLog("a.log", 5)});
        QCOMPARE(f.prompter.Count("Message"), 0);
        QVERIFY(QFileInfo(reports + "/Report.xml").isFile());

        QFile blocker(home.filePath("a-file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        f.A().Options.DefaultXMLFolder = (home.filePath("a-file") + "/reports").toStdString();
        int rowsBehind = -1;
        QString summaryBehind;
        f.prompter.OnMessage = [&](const AskedQuestion&) {
            rowsBehind = f.win->ListView(lstIPs)->model()->rowCount();
            summaryBehind = Summary(f);
        };
        ReplaceLogFiles(f, f.WriteLog("b.log", 7));
        f.Click("update");
        f.win->WaitForWork();
        QCOMPARE(f.prompter.Count("Message"), 1);
        QCOMPARE(f.prompter.Last().Icon, MessageIcon::Critical);
        QVERIFY(f.prompter.Last().Text.contains("a-file/reports"));
        QCOMPARE(rowsBehind, 7);
        QVERIFY(summaryBehind.startsWith("Loaded 1 log file covering"));
        QVERIFY(f.win->Status() != "Report updated.");
    }

    // The dialog opens in a folder that exists, so no name is typed: the folder last used,
    // else the download folder, else home.
    void theOpenDialogStartsInAFolderThatExists() {
        QTemporaryDir elsewhere;
        WindowFixture f(OneSite);
        const QString downloads = f.Path("downloads");
        f.A().Options.DefaultDownloadFolder = downloads.toStdString();
        f.Click("logfiles");
        auto open = [&] {
            f.Find<QToolButton>("Toolbar2_file")->click();
            return f.prompter.Last().Folder;
        };
        QCOMPARE(open(), QDir::homePath());
        QVERIFY(QDir().mkpath(downloads));
        QCOMPARE(open(), downloads);
        f.prompter.AnswerFiles({elsewhere.filePath("x.log")});
        QCOMPARE(open(), downloads);
        QCOMPARE(open(), elsewhere.path());
        QCOMPARE(f.prompter.Last().Kind, QString("OpenFiles"));
    }

    void statusAndSummarySayWhatIsSoNow() {
        // Start-up with the country report on: the data is loaded and the status says so no more.
        WindowFixture f("[Options]\nAnalyseCountries=Yes\n" + QString(OneSite));
        QCOMPARE(f.win->Status(), ProductTitle() + " " + VersionText());

        // A run that read nothing says so instead of an empty period.
        f.Run({f.Path("not-there.log")});
        QVERIFY2(Summary(f).startsWith("Loaded 0 log files (1 could not be read); no log line was read\n"),
                 qPrintable(Summary(f)));
        QVERIFY(!Summary(f).contains("covering"));
        QCOMPARE(f.prompter.Last().Title, QString("File does not exist"));
    }

    // After other work, the visitor window shows the visitors still in the report or closes;
    // a comparison's caption names both reports.
    void otherWorkRefreshesTheVisitorWindowAndTheCaption() {
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("a.log", Visitors(0, 5, 10))});
        SelectVisitorRows(f, {0, 1});
        f.Find<QPushButton>("butVisitorReport")->click();
        VisitorWindow* w = VisitorWindow::Instance();
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->windowTitle(), QString("Visitor Report - 2 visitors"));

        ReplaceLogFiles(f, f.WriteLog("b.log", Visitors(1, 3, 11)));
        f.Click("update");
        f.win->WaitForWork();
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QString("Visitor Report - 10.1.0.1"));
        QVERIFY(w->findChild<QPlainTextEdit*>("txtSummary")->toPlainText().startsWith("Visitor: 10.1.0.1 from"));

        ReplaceLogFiles(f, f.WriteLog("c.log", Visitors(50, 2, 12)));
        f.Click("update");
        f.win->WaitForWork();
        QTRY_VERIFY(!VisitorWindow::Instance());

        QVERIFY(f.win->SaveReport(f.Path("older.xml")));
        QVERIFY(f.win->SaveReport(f.Path("newer.xml")));
        f.win->LoadReport(f.Path("older.xml"), true);
        QCOMPARE(f.win->windowTitle(), ProductTitle() + " - newer.xml compared with older.xml");
        f.win->LoadReport(f.Path("older.xml"), false);
        QCOMPARE(f.win->windowTitle(), ProductTitle() + " - older.xml");
    }

    void theDateFilterStartsAtTheLogsAndChecksWhenEditingEnds() {
        WindowFixture f(OneSite);
        auto* first = f.Find<QDateEdit>("dtpDate0");
        auto* second = f.Find<QDateEdit>("dtpDate1");
        QCOMPARE(first->date(), QDate::currentDate());
        f.Run({f.WriteLog("days.log", Visitors(0, 2, 10) + Visitors(2, 3, 11) + Visitors(5, 1, 12))});
        QCOMPARE(first->date(), QDate(2026, 10, 10));
        QCOMPARE(second->date(), QDate(2026, 10, 12));

        f.Click("filter");
        f.Find<QCheckBox>("chkFilterDate")->click();
        auto* between = f.Find<QComboBox>("lstEqualBetween");
        between->setCurrentIndex(1);
        emit between->activated(1);
        QVERIFY(second->isVisible());
        // Typing 2026-10-11 into the second picker passes through 2026-10-01 on the way.
        second->setDate(QDate(2026, 10, 1));
        QCOMPARE(f.prompter.Count("Message"), 0);
        second->setDate(QDate(2026, 10, 11));
        emit second->editingFinished();
        QCOMPARE(f.prompter.Count("Message"), 0);
        // A range that ends before it starts is told once when editing ends, and again when
        // the run is asked for, which then does not start.
        second->setDate(QDate(2026, 10, 9));
        emit second->editingFinished();
        emit first->editingFinished();
        QCOMPARE(f.prompter.Count("Message"), 1);
        QCOMPARE(f.prompter.Last().Text, QString("First date should be earlier than second date"));
        f.Click("update");
        QCOMPARE(f.prompter.Count("Message"), 2);
        QVERIFY(!f.win->IsWorking());
        QVERIFY(f.Find<QWidget>("frameFilter")->isVisible());

        // One day: the summary covers that day only; the pickers keep the user's dates.
        first->setDate(QDate(2026, 10, 11));
        second->setDate(QDate(2026, 10, 11));
        f.Click("update");
        f.win->WaitForWork();
        QVERIFY2(Summary(f).startsWith("Loaded 1 log file covering 11/10/2026 13:02:00 to 11/10/2026 13:04:00"),
                 qPrintable(Summary(f)));
        QCOMPARE(f.A().Tables.EntryCount, 3u);
        QCOMPARE(first->date(), QDate(2026, 10, 11));
    }
    // A file that cannot be read whole is named after the run, as the command line warns;
    // the rest of the report stays.
    void aFileThatIsNotReadWholeIsNamedAfterTheRun() {
        WindowFixture f(OneSite);
        const QString good = f.WriteLog("good.log", 5);
        const QString empty = f.WriteLog("empty.log", QString("not a log line\n"));
        f.Run({good, empty});
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 5);
        QCOMPARE(f.prompter.Count("Message"), 1);
        QCOMPARE(f.prompter.Last().Icon, MessageIcon::Warning);
        QVERIFY(f.prompter.Last().Text.contains(empty));
        QVERIFY(!f.prompter.Last().Text.contains(good));
        QCOMPARE(f.win->Status(), QString("Some log files could not be read whole."));
    }
};

QTEST_MAIN(WindowStateTest)
#include "WindowStateTest.moc"
