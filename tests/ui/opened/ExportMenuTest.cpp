// "&File" / "&Export List as CSV..." and "Export &HTML Report..." through the real main window
// with the save dialog answered by the test, the lists' right-click menus, and the log file
// dialog's filter.
#include "ui/window/WindowFixture.h"
#ifndef Q_MOC_RUN
#include "report/CsvExport.h"
#endif

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

QString Log() {
    return LogLine(1, 10, "/a.html", 200, "http://www.other.org/links.html") +
           LogLine(2, 10, "/b,c.html", 200, "http://evil.example/<script>alert(1)</script>") +
           LogLine(3, 11, "/a.html", 404);
}

QString Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

class ExportMenuTest : public QObject {
    Q_OBJECT
private slots:
    void exportsNeedAShownReport() {
        WindowFixture f(OneSite);
        for (const char* name : {"mnuFileExportCsv", "mnuFileExportHtml"}) {
            QVERIFY(!f.Action(name)->isEnabled());
            f.Action(name)->trigger();
        }
        QCOMPARE(f.prompter.Count("SaveFile"), 0);
        f.Run({f.WriteLog("access.log", Log())});
        QVERIFY(f.Action("mnuFileExportCsv")->isEnabled());
        QVERIFY(f.Action("mnuFileExportHtml")->isEnabled());
    }

    void listOnScreenAsCsv_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("option");     // a display choice clicked first
        QTest::addColumn<QString>("answer");     // the file name given in the dialog
        QTest::addColumn<bool>("asked");         // the save dialog was shown
        QTest::addColumn<QString>("written");    // the file that holds the list, if any
        QTest::addColumn<QString>("contains");
        QTest::addColumn<QString>("message");    // the start of a message box, if any
        QTest::newRow("files page") << "files" << "" << "files.csv" << true << "files.csv"
                                    << "\"/b,c.html\"," << "";
        QTest::newRow("search engines view") << "searchterms" << "optSearchEngine" << "engines.csv"
                                             << true << "engines.csv" << "" << "";
        QTest::newRow("browsers as raw data") << "browsers" << "optRawData" << "agents.csv" << true
                                              << "agents.csv" << "Firefox/120.0" << "";
        QTest::newRow("a name without extension") << "IPs" << "" << "visitors" << true << "visitors.csv"
                                                  << "10.1.0.2" << "";
        QTest::newRow("a folder that does not exist") << "errors" << "" << "missing/errors.csv" << true
                                                      << "" << "" << "The list could not be exported";
        QTest::newRow("dialog cancelled") << "referrers" << "" << "" << true << "" << "" << "";
        QTest::newRow("the charts show no list") << "visitors" << "optGraph" << "x.csv" << false << "" << ""
                                                 << "This page shows no list";
    }
    void listOnScreenAsCsv() {
        QFETCH(QString, page);
        QFETCH(QString, option);
        QFETCH(QString, answer);
        QFETCH(bool, asked);
        QFETCH(QString, written);
        QFETCH(QString, contains);
        QFETCH(QString, message);
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("access.log", Log())});
        f.win->ShowReportPage(page);
        if (!option.isEmpty()) f.Find<QRadioButton>(option)->click();
        if (!answer.isEmpty()) f.prompter.AnswerFiles({f.Path(answer)});
        f.Action("mnuFileExportCsv")->trigger();
        QCOMPARE(f.prompter.Count("SaveFile"), asked ? 1 : 0);
        if (asked) {
            const AskedQuestion asked = f.prompter.Asked.front();
            QCOMPARE(asked.Text, QString("CSV files (*.csv)"));
        }
        if (!written.isEmpty()) {
            const QString text = Read(f.Path(written));
            QVERIFY2(text.contains(contains), qPrintable(text));
            QVERIFY(text.contains("\r\n"));
        }
        if (message.isEmpty()) {
            QCOMPARE(f.prompter.Count("Message"), 0);
        } else {
            QCOMPARE(f.prompter.Count("Message"), 1);
            QVERIFY2(f.prompter.Last().Text.startsWith(message), qPrintable(f.prompter.Last().Text));
        }
        QCOMPARE(QDir(f.dir.path()).entryList({"*.csv"}).size(), written.isEmpty() ? 0 : 1);
    }

    // Every list's menu keeps its own items and adds "Copy" and "Export List as CSV...", which
    // act on the list clicked, whatever list has the focus.
    void listMenus_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("row");         // the row clicked, or none: below the rows
        QTest::addColumn<QStringList>("items");
        const QStringList common{"Copy", "Export List as CSV..."};
        // Lists whose rows name what a filter reads offer it first.
        const QStringList filters = QStringList{"Show only this", "Hide this", ""} + common;
        QTest::newRow("files, on a row") << "files" << "lstFiles" << "/a.html"
                                         << QStringList{"Show &Conversion Report", ""} + filters;
        QTest::newRow("files, below the rows") << "files" << "lstFiles" << "" << filters;
        QTest::newRow("visitors") << "IPs" << "lstIPs" << "10.1.0.3" << filters;
        QTest::newRow("hours beside the dates") << "visitors" << "lstHour" << "13" << common;
        QTest::newRow("errors") << "errors" << "lstErrors" << "404" << filters;
    }
    void listMenus() {
        QFETCH(QString, page);
        QFETCH(QString, list);
        QFETCH(QString, row);
        QFETCH(QStringList, items);
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("access.log", Log())});
        f.win->ShowReportPage(page);
        auto* view = f.Find<ReportListView>(list);
        QVERIFY(view && view->isVisible());
        f.Find<ReportListView>("lstHits")->setFocus();   // another list has the focus

        QPoint at(5, view->viewport()->height() - 5);
        if (!row.isEmpty()) {
            QModelIndexList found = view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, row, 1,
                                                         Qt::MatchExactly);
            QVERIFY2(!found.isEmpty(), qPrintable("no row " + row));
            at = view->visualRect(found.first()).center();
        }
        auto openMenu = [&] {
            QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
            auto* menu = f.Find<QMenu>("mnuList");
            QVERIFY(menu && menu->isVisible());
        };
        openMenu();
        auto* menu = f.Find<QMenu>("mnuList");
        QStringList shown;
        for (QAction* a : menu->actions()) shown << a->text();
        QCOMPARE(shown, items);
        QAction* copy = f.Find<QAction>("mnuListCopy");
        QCOMPARE(copy->isEnabled(), !row.isEmpty());

        if (!row.isEmpty()) {
            QApplication::clipboard()->clear();
            copy->trigger();
            menu->hide();
            const QString copied = QApplication::clipboard()->text();
            QVERIFY2(copied.startsWith(row + "\t"), qPrintable(copied));
            QCOMPARE(copied, view->SelectedRowsText());
            openMenu();
        }
        f.prompter.AnswerFiles({f.Path("menu.csv")});
        f.Find<QAction>("mnuListExportCsv")->trigger();
        menu->hide();
        QCOMPARE(f.prompter.Count("SaveFile"), 1);
        QCOMPARE(f.prompter.Count("Message"), 0);
        QCOMPARE(Read(f.Path("menu.csv")), QString::fromStdString(ListAsCsv(*view->List())));
        QCOMPARE(view->List(), &f.A().Lists[view->ListNumber()]);
    }

    void htmlReport_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("failed");
        QTest::newRow("named") << "report.html" << "report.html" << false;
        QTest::newRow("the extension added") << "week" << "week.html" << false;
        QTest::newRow("a folder that does not exist") << "gone/report.html" << "" << true;
    }
    void htmlReport() {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        QFETCH(bool, failed);
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("access.log", Log())});
        f.prompter.AnswerFiles({f.Path(answer)});
        f.Action("mnuFileExportHtml")->trigger();
        QCOMPARE(f.prompter.Asked.front().Text, QString("HTML files (*.html *.htm)"));
        QCOMPARE(f.prompter.Count("Message"), failed ? 1 : 0);
        if (failed) return;
        const QString html = Read(f.Path(written));
        QVERIFY(html.contains("Shop"));
        QVERIFY(html.contains("/b,c.html"));
        // Text from the log is shown, never run.
        QVERIFY(!html.contains("<script>alert"));
        QVERIFY(html.contains("&lt;script&gt;"));
    }

    void logFileDialogOffersEveryCompressedForm() {
        WindowFixture f(OneSite);
        f.win->TaskClick("logfiles");
        f.prompter.AnswerFiles({f.WriteLog("a.log.bz2", "x"), f.WriteLog("b.log.zst", "x")});
        f.Find<QToolButton>("Toolbar2_file")->click();
        const QString filter = f.prompter.Last().Text;
        for (const char* ending : {"*.log", "*.gz", "*.bz2", "*.xz", "*.zst"})
            QVERIFY2(filter.contains(ending), qPrintable(filter));
        QCOMPARE(f.win->LogFiles().size(), 2);
    }
};

QTEST_MAIN(ExportMenuTest)
#include "ExportMenuTest.moc"
