// Running the analysis from the window: a run held midway on its worker thread, Cancel,
// commands clicked while it works, files from the command line, the processing log.
#include "WindowFixture.h"
#include "dialogs/ProcessLogWindow.h"
#include "window/StartUp.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSemaphore>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

// Holds the worker at its n-th chance to serve events until Release().
class RunHold {
public:
    RunHold(GuiRunHost& host, int at) : host_(host) {
        host_.WorkerPauseHook = [this, at] {
            if (++calls_ != at) return;
            reached_.release();
            release_.acquire();
        };
    }
    ~RunHold() { host_.WorkerPauseHook = nullptr; }
    void WaitUntilHeld() { reached_.acquire(); }
    void Release() { release_.release(); }

private:
    GuiRunHost& host_;
    std::atomic<int> calls_{0};
    QSemaphore reached_, release_;
};
} // namespace

class WindowRunTest : public QObject {
    Q_OBJECT
private slots:
    void cancelMidwayInFirstFileKeepsItsEntriesAndReadsTheSecond() {
        WindowFixture f(OneSite);
        const QString first = f.WriteLog("first.log", 1000, 10), second = f.WriteLog("second.log", 1000, 11);
        f.win->AddLogFiles({first, second});
        // The third chance comes after 200 entries of the first file.
        RunHold hold(f.win->Host(), 3);
        f.Click("report");
        hold.WaitUntilHeld();
        QVERIFY(f.win->IsWorking());
        f.win->Host().Flush();
        // The pages are blank meanwhile; the summary says what is being read.
        QCOMPARE(f.Find<QPlainTextEdit>("txtHits")->toPlainText(), "Loading log file...\n" + first);
        QVERIFY(f.Find<QPushButton>("butCancel")->isVisible());
        QVERIFY(f.Find<QProgressBar>("Progress")->isVisible());
        f.Find<QPushButton>("butCancel")->click();
        hold.Release();
        f.win->WaitForWork();
        QVERIFY(!f.win->IsWorking());
        QVERIFY(f.A().Tables.EntryCount >= 1000 + 100);
        QVERIFY(f.A().Tables.EntryCount < 2000);
        QVERIFY(f.win->findChild<QPlainTextEdit*>("txtHits")->toPlainText().startsWith("Loaded 2 log files"));
        QVERIFY(!f.Find<QPushButton>("butCancel")->isVisible());
        QVERIFY(!f.Find<QProgressBar>("Progress")->isVisible());
        QVERIFY(f.win->ListView(lstIPs)->model()->rowCount() > 0);
        QCOMPARE(f.win->Status(), QString("Loading of first.log cancelled; the report shows what was read."));
    }

    void cancelInTheLastFileLeavesTheListsEmpty() {
        WindowFixture f(OneSite);
        f.win->AddLogFiles({f.WriteLog("only.log", 1000)});
        RunHold hold(f.win->Host(), 3);
        f.Click("report");
        hold.WaitUntilHeld();
        f.win->CancelWork();
        hold.Release();
        f.win->WaitForWork();
        QCOMPARE(f.win->findChild<QPlainTextEdit*>("txtHits")->toPlainText(), QString("(Loading cancelled)"));
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 0);
        QCOMPARE(f.win->Status(), QString("Loading cancelled; the report is empty."));
        QVERIFY(f.Action("mnuFileSave")->isEnabled());
    }

    void commandsDoNothingWhileARunWorks() {
        WindowFixture f(OneSite);
        const QString log = f.WriteLog("a.log", 1000);
        f.win->AddLogFiles({log});
        RunHold hold(f.win->Host(), 2);
        f.Click("report");
        hold.WaitUntilHeld();
        // Nothing the user can reach starts other work or changes the run's inputs.
        QVERIFY(!f.win->Pane().Item("report")->isEnabled());
        QVERIFY(!f.win->Pane().Item("reset")->isEnabled());
        QVERIFY(!f.Action("mnuFileLoad")->isEnabled());
        QVERIFY(!f.Find<QWidget>("frameFiles")->isEnabled());
        QVERIFY(!f.Find<QWidget>("frameFilter")->isEnabled());
        f.win->Pane().Item("report")->click();
        f.win->Pane().Item("reset")->click();
        f.Action("mnuFileLoad")->trigger();
        f.win->TaskClick("reset");
        f.win->AddLogFiles({log});
        QCOMPARE(f.prompter.Count("OpenFile"), 0);
        QCOMPARE(f.win->LogFiles(), QStringList({log}));
        // Closing asks first; No keeps the window and the run.
        f.win->close();
        QCOMPARE(f.prompter.Count("YesNo"), 1);
        QCOMPARE(f.prompter.Last().DefaultButton, QString("No"));   // Enter keeps the run
        QVERIFY(f.win->isVisible());
        // The views read no list while the worker writes them.
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 0);
        hold.Release();
        f.win->WaitForWork();
        QVERIFY(f.win->Pane().Item("report")->isEnabled());
        QVERIFY(f.Action("mnuFileLoad")->isEnabled());
        QCOMPARE(f.A().Tables.EntryCount, 1000);
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 1000);
        QCOMPARE(f.win->Pane().Items("setup"), QStringList({"sites", "logfiles", "filter", "reset"}));
    }

    void closingDuringARunCancelsItWhenTheUserAgrees() {
        WindowFixture f(OneSite);
        f.win->AddLogFiles({f.WriteLog("a.log", 1000)});
        RunHold hold(f.win->Host(), 3);
        f.Click("report");
        hold.WaitUntilHeld();
        f.prompter.AnswerYesNo(true);
        f.win->close();
        hold.Release();
        f.win->WaitForWork();
        QTRY_VERIFY(!f.win->isVisible());
        QVERIFY(f.A().Tables.EntryCount < 1000);
        // The settings were written on the way out.
        QCOMPARE(f.store->GetSetting("Window", "MainState"), std::string("0"));
    }

    void commandLineFilesAreAnalysedInTheWindow_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("summary");
        QTest::newRow("name with blanks") << QStringList{"my access log.log"} << "Loaded 1 log file covering";
        QTest::newRow("two files") << QStringList{"a b.log", "c.log"} << "Loaded 2 log files covering";
        QTest::newRow("missing file") << QStringList{"not there.log"}
                                      << "Loaded 0 log files (1 could not be read); no log line was read\n";
    }
    void commandLineFilesAreAnalysedInTheWindow() {
        QFETCH(QStringList, names);
        QFETCH(QString, summary);
        QTemporaryDir dir;
        ScriptedPrompter prompter;
        QStringList paths;
        for (const QString& n : names) {
            paths << dir.filePath(n);
            if (!n.startsWith("not")) {
                QFile f(paths.last());
                f.open(QIODevice::WriteOnly);
                f.write(LogLine(1, 10, "/index.html").toUtf8());
            }
        }
        QFile ini(dir.filePath("t.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Options]\nAutoReport=No\nAnalyseCountries=No\n");
        ini.close();
        bool unreadable = true;
        auto store = OpenSettings(ini.fileName(), unreadable);
        QVERIFY(!unreadable);
        auto win = StartProgram(*store, paths, false);
        QVERIFY(win->isVisible());
        win->WaitForWork();
        QCOMPARE(win->LogFiles(), paths);
        QVERIFY(win->findChild<QPlainTextEdit*>("txtHits")->toPlainText().startsWith(summary));
        if (names.first().startsWith("not")) {
            QCOMPARE(prompter.Last().Title, QString("File does not exist"));
            QCOMPARE(prompter.Last().Icon, MessageIcon::Critical);
            QVERIFY(prompter.Last().Text.contains(paths.first()));
        } else {
            QCOMPARE(prompter.Count("Message"), 0);
        }
    }

    void processLogIsOfferedOnlyWhenLinesWereRejected() {
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("good.log", 5)});
        QVERIFY(!f.Find<QLabel>("lblViewErrors")->isVisible());
        f.win->TaskClick("reset");
        f.Run({f.WriteLog("bad.log", LogLine(1, 10, "/a.html") + "this is no log line\n")});
        auto* label = f.Find<QLabel>("lblViewErrors");
        QVERIFY(label->isVisible());
        emit label->linkActivated("log");
        auto* log = f.win->findChild<ProcessLogWindow*>("frmLog");
        QVERIFY(log && log->isVisible());
        QVERIFY(log->Text().contains("Invalid entry: 'this is no log line"));
        QCOMPARE(log->windowTitle(), QString("Process Log"));
        // Esc closes it and its placement is kept.
        log->move(40, 60);
        QTest::keyClick(log, Qt::Key_Escape);
        QVERIFY(!log->isVisible());
        QCOMPARE(f.store->GetSetting("LogWindowPosition", "State"), std::string("Normal"));
        QVERIFY(!f.store->GetSetting("LogWindowPosition", "Width").empty());
    }

    void runningOutOfMemoryEmptiesTheReportAndKeepsTheWindowUsable() {
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("a.log", 50)});
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 50);
        const bool done = f.win->RunGuarded("the conversion report", [&] {
            QVERIFY(f.win->IsWorking());
            QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 0);   // let go meanwhile
            throw std::bad_alloc();
        });
        QVERIFY(!done);
        QCOMPARE(f.prompter.Last().Text, QString("Not enough memory for the conversion report"));
        QCOMPARE(f.prompter.Last().Icon, MessageIcon::Critical);
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 0);
        QCOMPARE(f.A().Tables.EntryCount, 0);
        // Usable: the next run works as ever.
        QVERIFY(!f.win->IsWorking());
        QVERIFY(f.win->Pane().Item("report")->isEnabled());
        f.win->TaskClick("report");
        f.win->WaitForWork();
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 50);
    }

    void unreadableSettingsFileIsNeverOverwritten_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("no read permission") << "locked";
        QTest::newRow("a folder in its place") << "folder";
    }
    void unreadableSettingsFileIsNeverOverwritten() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath("trevix.ini");
        QFile f(path);
        if (kind == "folder") {
            QDir().mkpath(path);
        } else {
            f.open(QIODevice::WriteOnly);
            f.write("[Options]\nShowRawLog=Yes\n");
            f.close();
            f.setPermissions(QFileDevice::WriteOwner);
            if (QFileInfo(path).isReadable()) QSKIP("running with rights that read every file");
        }
        bool unreadable = false;
        {
            auto store = OpenSettings(path, unreadable);
            QVERIFY(unreadable);
            auto win = std::make_unique<MainWindow>(*store);
            win->SetSaveSettingsOnExit(false);
            win->close();
            store->SaveSetting("Window", "MainLeft", "100");
        }
        if (kind == "folder") {
            QVERIFY(QFileInfo(path).isDir());
            return;
        }
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("[Options]\nShowRawLog=Yes\n"));
    }
};

QTEST_MAIN(WindowRunTest)
#include "WindowRunTest.moc"
