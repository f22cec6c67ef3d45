// What surrounds the pages: menus at start-up, the window's placement and minimum size, the
// About window, files dropped on the window, and the screenshot pass.
#include "WindowFixture.h"
#include "common/Twips.h"
#include "dialogs/AboutDialog.h"
#include "window/FileDrops.h"

#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QRadioButton>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

class WindowChromeTest : public QObject {
    Q_OBJECT
private slots:
    void menusAtStartUp_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("visible");
        QTest::addColumn<QString>("keys");
        QTest::newRow("load") << "mnuFileLoad" << "&Load Report..." << true << true << "Ctrl+L";
        QTest::newRow("save") << "mnuFileSave" << "&Save Report..." << false << true << "Ctrl+S";
        QTest::newRow("compare") << "mnuFileCompare" << "&Compare with Report..." << false << true << "";
        QTest::newRow("exit") << "mnuFileExit" << "E&xit" << true << true << "Ctrl+Q";
        QTest::newRow("options") << "mnuToolsOptions" << "&Options..." << true << true << "";
        QTest::newRow("help") << "mnuHelpContents" << "Trevix &Help" << true << true << "F1";
        // No address was set at build time: hidden rather than a made-up address.
        QTest::newRow("web site") << "mnuHelpWeb" << "Trevix on the &Web" << false << false << "";
        QTest::newRow("updates") << "mnuHelpUpdates" << "Check for &Updates" << false << false << "";
        QTest::newRow("about") << "mnuHelpAbout" << "&About Trevix" << true << true << "";
        QTest::newRow("add log files") << "actAddLogFiles" << "" << true << true << "Ctrl+O";
        QTest::newRow("update") << "actUpdate" << "" << true << true << "F5";
        QTest::newRow("search") << "actSearch" << "" << true << true << "Ctrl+F";
        QTest::newRow("cancel only while working") << "actCancel" << "" << false << true << "Esc";
    }
    void menusAtStartUp() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(bool, enabled);
        QFETCH(bool, visible);
        QFETCH(QString, keys);
        WindowFixture f;
        QAction* a = f.Action(name);
        QVERIFY(a);
        if (!caption.isEmpty()) QCOMPARE(a->text(), caption);
        QCOMPARE(a->isEnabled(), enabled);
        QCOMPARE(a->isVisible(), visible);
        QCOMPARE(a->shortcut().toString(), keys);
        QCOMPARE(f.win->windowTitle(), QString("Trevix Pro"));
        QCOMPARE(f.win->Status(), "Trevix Pro " + QString(TREVIX_VERSION));
    }

    void placementSurvivesARestartAboveTheMinimum() {
        WindowFixture f;
        const QSize minimum(TwipsToPixels(8000, f.win.get()), TwipsToPixels(6510, f.win.get()));
        QCOMPARE(f.win->minimumSize(), minimum);
        f.win->resize(minimum + QSize(300, 200));
        f.Restart();
        QVERIFY(std::abs(f.win->width() - (minimum.width() + 300)) <= 1);
        QVERIFY(std::abs(f.win->height() - (minimum.height() + 200)) <= 1);
        QCOMPARE(f.store->GetSetting("Window", "MainState"), std::string("0"));
        // A damaged size never makes the window smaller than its minimum.
        f.store->SaveSetting("Window", "MainWidth", "10");
        f.Restart();
        QVERIFY(f.win->width() >= minimum.width());
    }

    void aboutNamesVersionLicenceAndDataSources() {
        AboutDialog about;
        for (const QString& part : {QString("GNU General Public License"), QString("version 3"), QString("DB-IP"),
                                    QString("crawler-user-agents"), QString(qVersion())})
            QVERIFY2(about.Text().contains(part), qPrintable(part));
        QCOMPARE(about.windowTitle(), QString("About Trevix"));
        QVERIFY(about.findChildren<QLabel*>().first()->text().endsWith(TREVIX_VERSION));
    }

    void droppedFilesAreListedOrLoaded() {
        WindowFixture f("[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n");
        const QString log = f.WriteLog("dropped.log", 5);
        f.Run({log});
        QVERIFY(f.win->SaveReport(f.Path("dropped.xml")));
        f.win->TaskClick("reset");
        auto drop = [&](const QStringList& paths) {
            QList<QUrl> urls{QUrl("https://example.com/not-a-file.log")};   // ignored
            for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
            f.win->DropFiles(urls);
        };
        drop({log, f.Path("other.log")});
        QCOMPARE(f.win->LogFiles(), QStringList({log, f.Path("other.log")}));
        QCOMPARE(f.win->Pane().Highlighted(), QString("logfiles"));
        drop({f.Path("dropped.xml")});
        QCOMPARE(f.win->windowTitle(), QString("Trevix Pro - dropped.xml"));
        QCOMPARE(f.win->ListView(lstIPs)->model()->rowCount(), 5);
    }

    // Files dragged over the window are taken while no work runs, and handed on only once the
    // drop has ended (a report they bring is loaded, which serves events).
    void dragsAndDropsAreTakenOnlyWhileIdle_data() {
        QTest::addColumn<bool>("busyAtEnter");
        QTest::addColumn<bool>("busyAtDrop");
        QTest::addColumn<bool>("files");
        QTest::newRow("idle") << false << false << true;
        QTest::newRow("busy") << true << true << true;
        QTest::newRow("work started during the drag") << false << true << true;
        QTest::newRow("text, not files") << false << false << false;
    }
    void dragsAndDropsAreTakenOnlyWhileIdle() {
        QFETCH(bool, busyAtEnter);
        QFETCH(bool, busyAtDrop);
        QFETCH(bool, files);
        QWidget window;
        bool busy = busyAtEnter;
        auto* filter = new FileDropFilter(&window, [&] { return busy; });
        QList<QList<QUrl>> dropped;
        connect(filter, &FileDropFilter::Dropped, this, [&](const QList<QUrl>& urls) { dropped << urls; });
        const QList<QUrl> urls{QUrl::fromLocalFile("/logs/a.log"), QUrl::fromLocalFile("/logs/b.xml")};
        QMimeData mime;
        if (files) mime.setUrls(urls);
        else mime.setText("a.log");
        QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &enter);
        QCOMPARE(enter.isAccepted(), files && !busyAtEnter);
        if (!enter.isAccepted()) return;   // no drop follows a drag refused
        busy = busyAtDrop;
        QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &drop);
        QCOMPARE(drop.isAccepted(), !busyAtDrop);
        QVERIFY(dropped.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(dropped, busyAtDrop ? QList<QList<QUrl>>{} : QList<QList<QUrl>>{urls});
    }

    void screenshotsShowEveryPanelAndPage() {
        WindowFixture f("[Options]\nShowRawLog=Yes\n");
        f.Run({f.WriteLog("a.log", LogLine(1, 10, "/a.html") + "not a log line\n")});
        const QStringList files = f.win->SaveScreenshots(f.Path("shots"));
        QStringList names;
        for (const QString& file : files) {
            names << QFileInfo(file).baseName();
            QImage picture(file);
            QVERIFY2(!picture.isNull() && picture.width() > 100, qPrintable(file));
        }
        for (const char* name : {"site-panel", "logfiles-panel", "filters-panel", "summary", "summary-graphs",
                                 "dates", "hours", "visitors", "referrers", "search", "browsers", "files",
                                 "countries", "errors", "conversions", "rawlog", "process-log"})
            QVERIFY2(names.contains(name), name);
        // The pass leaves the display choice as it found it.
        QVERIFY(f.Find<QRadioButton>("optList")->isChecked());
    }
};

QTEST_MAIN(WindowChromeTest)
#include "WindowChromeTest.moc"
