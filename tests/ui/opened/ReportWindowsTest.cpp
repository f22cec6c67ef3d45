// The windows the report pages open, through the real main window: the visitor report, the
// referred-by/to view, "Visit URL", the conversions page from the files list's pop-up menu and
// the options dialog; none of them while work runs, and none reading the engine's lists then.
#include "ui/window/WindowFixture.h"
#include "dialogs/DataViewWindow.h"
#include "common/VisitUrl.h"
#include "dialogs/VisitorWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

// Four visitors; two come from other sites (one of them through a script address), one asks
// for a missing page from a linking site.
QString Log() {
    return LogLine(1, 10, "/a.html", 200, "http://www.other.org/links.html") +
           LogLine(1, 10, "/b.html", 200, "http://example.com/a.html") +
           LogLine(2, 10, "/a.html", 200, "javascript:alert(1)") + LogLine(3, 11, "/c.html") +
           LogLine(3, 11, "/a.html", 200, "http://example.com/c.html") +
           LogLine(4, 11, "/gone.html", 404, "http://old.example.net/list.html");
}

// The view's row showing text in any column, or -1.
int RowShowing(ReportListView* view, const QString& text) {
    QAbstractItemModel* m = view->model();
    for (int r = 0; r < m->rowCount(); ++r)
        for (int c = 0; c < m->columnCount(); ++c)
            if (m->index(r, c).data().toString() == text) return r;
    return -1;
}

void SelectRows(ReportListView* view, const QStringList& texts) {
    view->clearSelection();
    for (const QString& t : texts) {
        const int r = RowShowing(view, t);
        QVERIFY2(r >= 0, qPrintable("no row " + t));
        const QModelIndex index = view->model()->index(r, 0);
        if (t == texts.first()) view->setCurrentIndex(index);
        view->selectionModel()->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

QAction* ContextAction(WindowFixture& f, const QString& caption) {
    for (QAction* a : f.Find<QMenu>("mnuContext")->actions())
        if (a->text() == caption) return a;
    return nullptr;
}

QStringList Opened;
} // namespace

class ReportWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Opened.clear();
        SetUrlOpener([](const QUrl& url) {
            Opened << url.toString();
            return true;
        });
    }
    void cleanup() { SetUrlOpener({}); }

    void commandsOpenTheirWindows_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("list");
        QTest::addColumn<QString>("command");   // a button's name, or "double" for a double click
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("window");    // the window that opens, if any
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("opened");    // the address handed to the browser
        QTest::addColumn<QString>("status");    // the start of the status text
        QTest::newRow("details of three visitors in list order")
            << "IPs" << int(lstIPs) << "butVisitorReport" << QStringList{"10.1.0.3", "10.1.0.1", "10.1.0.4"}
            << "frmVisitor" << "Visitor Report - 3 visitors" << "" << "";
        QTest::newRow("a visitor double-clicked")
            << "IPs" << int(lstIPs) << "double" << QStringList{"10.1.0.2"} << "frmVisitor"
            << "Visitor Report - 10.1.0.2" << "" << "";
        QTest::newRow("referred by/to button") << "files" << int(lstFiles) << "butReferredTo"
                                               << QStringList{"/a.html"} << "frmDataView" << "/a.html" << "" << "";
        QTest::newRow("a file double-clicked") << "files" << int(lstFiles) << "double" << QStringList{"/c.html"}
                                               << "frmDataView" << "/c.html" << "" << "";
        QTest::newRow("a referrer visited") << "referrers" << int(lstReferrers) << "butVisitURL0"
                                            << QStringList{"http://www.other.org/links.html"} << "" << ""
                                            << "http://www.other.org/links.html" << "";
        QTest::newRow("a referrer double-clicked") << "referrers" << int(lstReferrers) << "double"
                                                   << QStringList{"http://www.other.org/links.html"} << "" << ""
                                                   << "http://www.other.org/links.html" << "";
        QTest::newRow("a script address is refused") << "referrers" << int(lstReferrers) << "butVisitURL0"
                                                     << QStringList{"javascript:alert(1)"} << "" << "" << ""
                                                     << "Not opened";
        QTest::newRow("the page linking to a missing one") << "errors" << int(lstErrors) << "double"
                                                           << QStringList{"/gone.html"} << "" << ""
                                                           << "http://old.example.net/list.html" << "";
    }
    void commandsOpenTheirWindows() {
        QFETCH(QString, page);
        QFETCH(int, list);
        QFETCH(QString, command);
        QFETCH(QStringList, rows);
        QFETCH(QString, window);
        QFETCH(QString, caption);
        QFETCH(QString, opened);
        QFETCH(QString, status);
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("access.log", Log())});
        f.win->ShowReportPage(page);
        ReportListView* view = f.win->ListView(list);
        SelectRows(view, rows);
        if (command == "double") {
            const QModelIndex index = view->model()->index(RowShowing(view, rows.first()), 0);
            // A double click is a click followed by the second press.
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        } else {
            QPushButton* button = f.Find<QPushButton>(command);
            QVERIFY(button && button->isEnabled());
            button->click();
        }
        QWidget* shown = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && (w->objectName() == "frmVisitor" || w->objectName() == "frmDataView")) shown = w;
        QCOMPARE(shown ? shown->objectName() : QString(), window);
        if (shown) QCOMPARE(shown->windowTitle(), caption);
        QCOMPARE(Opened.join(" "), opened);
        if (!status.isEmpty()) QVERIFY2(f.win->Status().startsWith(status), qPrintable(f.win->Status()));
        if (window == "frmVisitor") {
            // One summary block per visitor, in the order of the list (not of the clicks).
            const QString summary = shown->findChild<QPlainTextEdit*>("txtSummary")->toPlainText();
            QStringList shownOrder = rows;
            std::sort(shownOrder.begin(), shownOrder.end(), [&](const QString& x, const QString& y) {
                return RowShowing(view, x) < RowShowing(view, y);
            });
            int last = -1;
            for (const QString& address : shownOrder) {
                const int at = summary.indexOf(address);
                QVERIFY2(at > last, qPrintable(summary));
                last = at;
            }
        }
    }

    void conversionReportFromThePopUpMenu() {
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("access.log", Log())});
        f.win->ShowReportPage("files");
        SelectRows(f.win->ListView(lstFiles), {"/a.html"});
        QAction* show = ContextAction(f, "Show &Conversion Report");
        QVERIFY(show);
        show->trigger();
        auto* tabs = f.Find<QTabWidget>("TabStrip1");
        QCOMPARE(tabs->currentWidget()->objectName(), QString("pageConversions"));
        auto* files = f.Find<QComboBox>("lstConversionFile");
        QCOMPARE(files->count(), 1);
        QCOMPARE(files->currentText(), QString("/a.html"));
        // Three visitors reached /a.html: two came from elsewhere, one without a referrer.
        ReportListView* referrers = f.Find<ReportListView>("lstConversions0");
        QCOMPARE(referrers->model()->rowCount(), 2);
        QVERIFY(!f.win->IsWorking());
        QVERIFY(f.Action("mnuToolsOptions")->isEnabled());
        QVERIFY(f.Find<QPushButton>("butReferredTo")->isEnabled());
        // Asked again: shown again, not made twice.
        show->trigger();
        QCOMPARE(files->count(), 1);
        // A new analysis replaces the report's conversions; the page follows.
        f.Run({});
        QCOMPARE(files->count(), int(f.A().Lists.ConversionFiles.size()));
    }

    void nothingOpensWhileWorkRuns() {
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("access.log", Log())});
        f.win->ShowReportPage("IPs");
        SelectRows(f.win->ListView(lstIPs), {"10.1.0.1"});
        f.Find<QPushButton>("butVisitorReport")->click();
        VisitorWindow* visitor = VisitorWindow::Instance();
        QVERIFY(visitor);
        f.win->ShowReportPage("files");
        SelectRows(f.win->ListView(lstFiles), {"/a.html"});
        ContextAction(f, "Show &Conversion Report")->trigger();

        // While the next run changes the engine's lists, the other windows read none of them.
        QList<int> during;
        connect(f.win.get(), &MainWindow::WorkStarting, this, [&] {
            during << visitor->findChild<ReportListView*>()->ListNumber();
            for (int k = 0; k < 3; ++k)
                during << f.Find<ReportListView>(QString("lstConversions%1").arg(k))->ListNumber();
        });
        f.win->TaskClick("update");
        QVERIFY(f.win->IsWorking());
        QCOMPARE(during, (QList<int>{-1, -1, -1, -1}));

        // Every command that opens a window does nothing meanwhile.
        struct Command {
            const char* Name;
            std::function<void()> Do;
        };
        const Command commands[] = {
            {"details", [&] { f.Find<QPushButton>("butVisitorReport")->click(); }},
            {"referred", [&] { f.Find<QPushButton>("butReferredTo")->click(); }},
            {"visit", [&] { f.Find<QPushButton>("butVisitURL0")->click(); }},
            {"conversion", [&] { ContextAction(f, "Show &Conversion Report")->trigger(); }},
            {"options", [&] { f.Action("mnuToolsOptions")->trigger(); }},
        };
        for (const Command& c : commands) {
            c.Do();
            QVERIFY2(!DataViewWindow::Instance(), c.Name);
            QVERIFY2(Opened.isEmpty(), c.Name);
            QVERIFY2(!QApplication::activeModalWidget(), c.Name);
        }
        QVERIFY(!f.Action("mnuToolsOptions")->isEnabled());
        f.win->WaitForWork();
        QCOMPARE(visitor->findChild<ReportListView*>()->ListNumber(), 0);
        QCOMPARE(f.Find<ReportListView>("lstConversions1")->ListNumber(), int(lstConversions1));
    }

    void optionsDialogFromTheMenu_data() {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("control");   // a check box to toggle or a number box to fill
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("update");       // "Update" offered afterwards
        QTest::addColumn<bool>("rawLogShown");
        QTest::addColumn<bool>("countries");    // the country data has been read
        QTest::addColumn<int>("recentFiles");
        QTest::newRow("raw log switched on") << "" << "chkShowRawLog" << "" << true << true << true << false << 1;
        QTest::newRow("raw log switched off") << "[Options]\nShowRawLog=Yes\n" << "chkShowRawLog" << "" << true
                                              << false << false << false << 1;
        QTest::newRow("country report switched on")
            << "" << "chkAnalyseCountries" << "" << true << true << false << true << 1;
        QTest::newRow("no recent files kept") << "" << "txtMaxFiles" << "0" << true << false << false << false << 0;
        QTest::newRow("cancel changes nothing") << "" << "chkShowRawLog" << "" << false << false << false << false << 1;
    }
    void optionsDialogFromTheMenu() {
        QFETCH(QString, settings);
        QFETCH(QString, control);
        QFETCH(QString, value);
        QFETCH(bool, ok);
        QFETCH(bool, update);
        QFETCH(bool, rawLogShown);
        QFETCH(bool, countries);
        QFETCH(int, recentFiles);
        WindowFixture f(settings + OneSite);
        f.Run({f.WriteLog("access.log", Log())});
        QVERIFY(!f.Items("rep").contains("update"));
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            if (auto* box = dialog->findChild<QCheckBox*>(control)) box->setChecked(!box->isChecked());
            if (auto* box = dialog->findChild<QLineEdit*>(control)) box->setText(value);
            dialog->findChild<QPushButton*>(ok ? "butOK" : "butCancel")->click();
        });
        f.Action("mnuToolsOptions")->trigger();
        QCOMPARE(f.Items("rep").contains("update"), update);
        QCOMPARE(!f.Find<QWidget>("txtRawLog")->isHidden(), rawLogShown);
        QCOMPARE(f.A().Reference.CountriesLoaded, countries);
        QCOMPARE(f.Find<QComboBox>("lstRecentFiles")->count(), recentFiles);
    }
};

QTEST_MAIN(ReportWindowsTest)
#include "ReportWindowsTest.moc"
