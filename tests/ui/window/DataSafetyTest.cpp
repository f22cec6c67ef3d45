// What ordinary keystrokes and endings must not lose: a question that replaces a file leaves
// Enter on No, Enter that ends an in-place rename only ends it, profiles reach the disk when
// they change and when the program is ended by a signal, and the automatic report never
// replaces an earlier one.
#include "WindowFixture.h"
#include "dialogs/SiteProfileDialog.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>

#include <QSemaphore>

#include <atomic>
#include <csignal>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What is on disk now, read apart from the window's own store.
QString OnDisk(const QString& settingsFile, const QString& key) {
    return QSettings(settingsFile, QSettings::IniFormat).value(key).toString();
}

// True once the process has a handler for SIGTERM (Linux: the caught-signals mask in /proc).
bool CatchesTerm(qint64 pid) {
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("SigCgt:")) return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGTERM - 1)) & 1;
    return false;
}
} // namespace

class DataSafetyTest : public QObject {
    Q_OBJECT
private slots:
    // Memory runs out in the first of two files: the message names that file, not the last.
    void runningOutOfMemoryNamesTheFileBeingRead() {
        WindowFixture f(OneSite);
        const QString big = f.WriteLog("big.log", 40000), small = f.WriteLog("small.log", 2);
        qputenv("TREVIX_MEMORY_BUDGET", "64K");
        f.Run({big, small});
        qunsetenv("TREVIX_MEMORY_BUDGET");
        QCOMPARE(f.prompter.Last().Text, QString("Not enough memory to analyse %1: 0 lines read").arg(big));
    }
    // Each command that would write over an existing file asks first, with No as the default,
    // and No leaves the file as it was.
    void replacingAFileDefaultsToNo_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("extension");
        QTest::newRow("save report") << "mnuFileSave" << "Save Report" << ".xml";
        QTest::newRow("export list") << "mnuFileExportCsv" << "Export List as CSV" << ".csv";
        QTest::newRow("export HTML") << "mnuFileExportHtml" << "Export HTML Report" << ".html";
    }
    void replacingAFileDefaultsToNo() {
        QFETCH(QString, action);
        QFETCH(QString, title);
        QFETCH(QString, extension);
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("a.log", 5)});
        f.win->ShowReportPage("IPs");
        const QString typed = f.Path("kept");   // typed without its extension
        f.WriteLog("kept" + extension, "earlier work");
        f.prompter.AnswerFiles({typed});
        f.Action(action)->trigger();
        QCOMPARE(f.prompter.Last().Kind, QString("YesNo"));
        QCOMPARE(f.prompter.Last().Title, title);
        QCOMPARE(f.prompter.Last().DefaultButton, QString("No"));
        QCOMPARE(ReadFile(typed + extension), QByteArray("earlier work"));
    }

    // Enter ends the edit of a site's name and does nothing more: no "Edit Site" dialog
    // (whose OK would put the old name back); Esc ends it and keeps the old name. A kept
    // rename is on disk at once.
    void renamingInPlaceEndsWithTheEdit_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("name");
        QTest::newRow("Enter keeps the new name") << int(Qt::Key_Return) << "Shoe shop";
        QTest::newRow("keypad Enter keeps the new name") << int(Qt::Key_Enter) << "Shoe shop";
        QTest::newRow("Esc keeps the old name") << int(Qt::Key_Escape) << "Shop";
    }
    void renamingInPlaceEndsWithTheEdit() {
        QFETCH(int, key);
        QFETCH(QString, name);
        WindowFixture f(OneSite);
        auto* sites = f.Find<QTreeWidget>("lstSites");
        sites->editItem(sites->topLevelItem(0), 0);
        auto* editor = sites->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->selectAll();
        QTest::keyClicks(editor, "Shoe shop");
        // A dialog that opens is noted and closed, so a fault shows up as a failure, not a hang.
        QString opened;
        QTimer::singleShot(0, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                opened = d->windowTitle();
                d->close();
            }
        });
        QTest::keyClick(editor, Qt::Key(key));
        QTRY_VERIFY(!sites->findChild<QLineEdit*>() || !sites->findChild<QLineEdit*>()->isVisible());
        QCoreApplication::processEvents();
        QCOMPARE(opened, QString());
        QCOMPARE(QString::fromStdString(f.win->Profiles()[1].SiteName), name);
        QCOMPARE(sites->topLevelItem(0)->text(0), name);
        QCOMPARE(f.win->windowTitle(), "Trevix Pro - " + name);
        QCOMPARE(OnDisk(f.SettingsPath(), "Profile1/SiteName"), name);
        // Enter on the list itself, no edit going on, still opens the dialog.
        QTimer::singleShot(0, [&] {
            if (QWidget* d = QApplication::activeModalWidget()) {
                opened = d->windowTitle();
                d->close();
            }
        });
        QTest::keyClick(sites, Qt::Key_Return);
        QCOMPARE(opened, QString("Edit Site"));
    }

    // "new" selects the site it made (the caption and the next run follow), drops domain
    // entries left empty, and writes the profiles at once; deleting asks with No as default
    // and writes them too.
    void newSiteIsSelectedAndStoredAtOnce() {
        WindowFixture f;
        auto* sites = f.Find<QTreeWidget>("lstSites");
        for (const QString name : {"Shop", "Blog"}) {
            QTimer::singleShot(0, [name] {
                auto* d = qobject_cast<SiteProfileDialog*>(QApplication::activeModalWidget());
                QVERIFY(d);
                d->findChild<QLineEdit*>("txtSitename")->setText(name);
                d->AddDomain();
                QTest::keyClicks(d->findChild<QLineEdit*>("txtDomain"), name.toLower() + ".example");
                d->AddDomain();   // left empty
                d->AddDomain();
                QTest::keyClicks(d->findChild<QLineEdit*>("txtDomain"), "www." + name.toLower() + ".example");
                d->AddDomain();   // left empty, last
                d->findChild<QPushButton*>("butOK")->click();
            });
            f.win->SiteToolbarClick("new");
            QTreeWidgetItem* current = sites->currentItem();
            QVERIFY(current && current->isSelected());
            QCOMPARE(current->text(0), name);
            QCOMPARE(current->text(1), name.toLower() + ".example, www." + name.toLower() + ".example");
            QCOMPARE(f.win->windowTitle(), "Trevix Pro - " + name);
            QVERIFY(f.Find<QPushButton>("butRight0")->isEnabled());
        }
        QCOMPARE(f.win->Profiles()[2].Domains, (std::vector<std::string>{"blog.example", "www.blog.example"}));
        QCOMPARE(OnDisk(f.SettingsPath(), "Profiles/NumProfiles"), QString("2"));
        QCOMPARE(OnDisk(f.SettingsPath(), "Profile2/NumDomains"), QString("2"));
        // The run is for the site just made: its own pages are not referrers.
        f.Run({f.WriteLog("a.log", LogLine(1, 10, "/a.html", 200, "http://www.blog.example/b.html"))});
        QCOMPARE(f.A().CurrentProfile.SiteName, std::string("Blog"));
        QCOMPARE(f.win->ListView(lstReferrers)->model()->rowCount(), 0);

        f.prompter.AnswerYesNo(true);
        QTest::keyClick(sites, Qt::Key_Delete);
        QCOMPARE(f.prompter.Last().Text, QString("Are you sure you want to delete this site profile?"));
        QCOMPARE(f.prompter.Last().DefaultButton, QString("No"));
        QCOMPARE(OnDisk(f.SettingsPath(), "Profiles/NumProfiles"), QString("1"));
    }

    // The automatic report: none after a run that read no line; a second report of the day
    // takes the next free name and leaves the first as it was; with no site the name does not
    // start with a blank.
    void automaticReportNeverReplacesAnEarlierOne_data() {
        QTest::addColumn<QString>("sites");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("a site chosen") << OneSite << "Shop Report.xml" << "Shop Report (2).xml";
        QTest::newRow("no site") << "" << "Report.xml" << "Report (2).xml";
    }
    void automaticReportNeverReplacesAnEarlierOne() {
        QFETCH(QString, sites);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QTemporaryDir reports;
        WindowFixture f("[Options]\nAutoReport=Yes\nRenameTemplate=%s %f\nDefaultXMLFolder=" + reports.path() + "\n" +
                        sites);
        QDir folder(reports.path());
        f.Run({f.Path("missing.log")});
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList());

        f.win->TaskClick("reset");
        f.Run({f.WriteLog("a.log", 20)});
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden), QStringList({first}));
        const QByteArray full = ReadFile(folder.filePath(first));
        QVERIFY(full.contains("10.1.0.19"));

        // The same day, filtered to one file.
        f.Find<QCheckBox>("chkFilterFile")->click();
        f.Find<QComboBox>("txtFilterText1")->setEditText("/p3.html");
        f.Click("update");
        f.win->WaitForWork();
        const QStringList both = folder.entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(QSet<QString>(both.begin(), both.end()), QSet<QString>({first, second}));
        QCOMPARE(ReadFile(folder.filePath(first)), full);
        const QByteArray filtered = ReadFile(folder.filePath(second));
        QVERIFY(filtered.contains("10.1.0.13"));
        QVERIFY(!filtered.contains("10.1.0.19"));
    }

    // A termination during a run: the run is cancelled (no automatic report of a part), no
    // question is asked, the settings are written and the status is 128 + the signal.
    void terminationCancelsTheRunAndAsksNothing() {
        QTemporaryDir reports;
        WindowFixture f(QString("[Options]\nAutoReport=Yes\nDefaultXMLFolder=") + reports.path() + "\n" + OneSite);
        f.win->AddLogFiles({f.WriteLog("a.log", 1000)});
        QSemaphore reached, release;
        std::atomic<int> calls{0};
        f.win->Host().WorkerPauseHook = [&] {
            if (++calls != 3) return;
            reached.release();
            release.acquire();
        };
        f.Click("report");
        reached.acquire();
        QTimer::singleShot(50, [&] { release.release(); });
        QCOMPARE(f.win->Terminate(SIGTERM), 128 + SIGTERM);
        f.win->Host().WorkerPauseHook = nullptr;
        QVERIFY(!f.win->IsWorking());
        QVERIFY(f.A().Tables.EntryCount < 1000);
        QCOMPARE(f.prompter.Asked.size(), size_t(0));
        QCOMPARE(QDir(reports.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(OnDisk(f.SettingsPath(), "Window/MainState"), QString("0"));
        // A second signal while ending changes nothing.
        QCOMPARE(f.win->Terminate(SIGHUP), 128 + SIGHUP);
    }

    // SIGTERM or SIGHUP ends the real program without a question: the settings are written
    // (window placement, kept profiles) and the exit status is 128 + the signal.
    void terminationSignalWritesTheSettings_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void terminationSignalWritesTheSettings() {
#ifndef TREVIX_PROGRAM
        QSKIP("the program is not built");
#else
        QFETCH(int, signal);
        QTemporaryDir home;
        const QString ini = home.filePath("trevix.ini");
        {
            QFile f(ini);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("[Options]\nAutoReport=No\nAnalyseCountries=No\n") + OneSite);
        }
        QFile log(home.filePath("access.log"));
        QVERIFY(log.open(QIODevice::WriteOnly));
        for (int i = 0; i < 2000; ++i) log.write(LogLine(i, 10, "/index.html").toUtf8());
        log.close();

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TREVIX_SETTINGS_FILE", ini);
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("TREVIX_CACHE_DIR", "");
        program.setProcessEnvironment(env);
        program.start(TREVIX_PROGRAM, {log.fileName()});
        QVERIFY(program.waitForStarted(10000));
        bool ready = false;
        for (int i = 0; i < 400 && !ready; ++i) {
            ready = CatchesTerm(program.processId());
            if (!ready) QThread::msleep(25);
        }
        QVERIFY(ready);
        QThread::msleep(300);   // the window shown, the run under way or done
        ::kill(static_cast<pid_t>(program.processId()), signal);
        QVERIFY(program.waitForFinished(30000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 128 + signal);
        QCOMPARE(OnDisk(ini, "Window/MainState"), QString("0"));
        QCOMPARE(OnDisk(ini, "Profile1/SiteName"), QString("Shop"));
        // No temporary file is left beside the settings.
        QCOMPARE(QDir(home.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 QStringList({"access.log", "trevix.ini"}));
#endif
    }
};

QTEST_MAIN(DataSafetyTest)
#include "DataSafetyTest.moc"
