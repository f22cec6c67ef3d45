// The report pages: saving, loading and comparing through the File menu, sorting by header
// clicks, sort settings and column widths across a restart, the display choices, the filter
// panel and the raw-log search.
#include "ui/window/WindowFixture.h"
#include "views/RawLogView.h"
#include "common/Twips.h"

#include <QClipboard>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

// Requests per file: /a.html 3 times, /b.html once, /c.html twice (plus /d.html once in the
// larger log).
QString FilesLog(bool withD) {
    QString t = LogLine(1, 10, "/a.html") + LogLine(2, 10, "/a.html") + LogLine(3, 10, "/a.html") +
                LogLine(1, 10, "/b.html") + LogLine(1, 10, "/c.html") + LogLine(2, 10, "/c.html");
    if (withD) t += LogLine(4, 11, "/d.html");
    return t;
}

QStringList Column(const ReportList& list, int column) {
    QStringList cells;
    for (size_t r = 0; r < list.RowCount(); ++r) cells << QString::fromStdString(std::string(list.Cell(r, column)));
    return cells;
}

void ClickHeader(ReportListView* view, int section) {
    QHeaderView* h = view->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(section) + 5, h->height() / 2));
}
} // namespace

class ReportPagesTest : public QObject {
    Q_OBJECT
private slots:
    void saveLoadAndCompareThroughTheFileMenu() {
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("big.log", FilesLog(true))});
        const QString older = f.Path("older.xml"), newer = f.Path("newer");
        // Save: the dialog's answer gets the default extension.
        f.prompter.AnswerFiles({newer});
        f.Action("mnuFileSave")->trigger();
        QCOMPARE(f.prompter.Last().Kind, QString("SaveFile"));
        QVERIFY(f.prompter.Last().Text.contains("Trevix Report XML (*.xml)"));
        QVERIFY(QFileInfo::exists(newer + ".xml"));
        QCOMPARE(f.win->Status(), QString("Report Saved"));
        QCOMPARE(f.win->windowTitle(), QString("Trevix Pro - newer.xml"));
        // The same name again: the file made by the default extension is not replaced unasked.
        const QDateTime saved = QFileInfo(newer + ".xml").lastModified();
        f.prompter.AnswerFiles({newer});
        f.Action("mnuFileSave")->trigger();
        QCOMPARE(f.prompter.Last().Kind, QString("YesNo"));
        QCOMPARE(QFileInfo(newer + ".xml").lastModified(), saved);

        // A smaller report to compare with.
        f.win->TaskClick("reset");
        f.win->TaskClick("sites");
        f.Run({f.WriteLog("small.log", FilesLog(false))});
        QVERIFY(f.win->SaveReport(older));

        // A fresh window loads the larger one back: Compare is offered, Save is not.
        f.Restart();
        QVERIFY(!f.Action("mnuFileCompare")->isEnabled());
        f.prompter.AnswerFiles({newer + ".xml"});
        f.Action("mnuFileLoad")->trigger();
        QCOMPARE(f.prompter.Last().Title, QString("Load Report"));
        QCOMPARE(f.win->Status(), QString("Report Loaded"));
        QCOMPARE(f.win->windowTitle(), QString("Trevix Pro - newer.xml"));
        QCOMPARE(f.win->Pane().Items("rep"), QStringList({"report"}));
        QCOMPARE(f.win->Pane().Highlighted(), QString("report"));
        QVERIFY(f.Action("mnuFileCompare")->isEnabled());
        QVERIFY(!f.Action("mnuFileSave")->isEnabled());
        ReportListView* files = f.win->ListView(lstFiles);
        QCOMPARE(files->model()->rowCount(), 4);
        QCOMPARE(files->model()->columnCount(), 6);

        // Compare: the comparison columns are sized to their titles and rows; /d.html is new.
        f.prompter.AnswerFiles({older});
        f.Action("mnuFileCompare")->trigger();
        QCOMPARE(f.prompter.Last().Title, QString("Compare with Report File"));
        QCOMPARE(files->model()->columnCount(), 12);
        QCOMPARE(files->model()->headerData(9, Qt::Horizontal).toString(), QString("% Change Requests"));
        QCOMPARE(files->columnWidth(9), files->ContentsWidth(9));
        const ReportList& list = f.A().Lists[lstFiles];
        QCOMPARE(Column(list, 1), QStringList({"/a.html", "/b.html", "/c.html", "/d.html"}));
        QCOMPARE(std::string(list.Cell(3, 10)), std::string("New"));

        // "New" sorts above every change when descending, below when ascending.
        ClickHeader(files, 9);
        QCOMPARE(list.SortOrder, 1);
        QCOMPARE(Column(list, 1).first(), QString("/d.html"));
        ClickHeader(files, 9);
        QCOMPARE(list.SortOrder, 0);
        QCOMPARE(Column(list, 1).last(), QString("/d.html"));
        QCOMPARE(files->model()->data(files->model()->index(3, 0)).toString(), QString("/d.html"));

        // A file that is no report: the loader's message, nothing else asked.
        const QString bogus = f.WriteLog("bogus.xml", "<html><body/></html>");
        f.prompter.AnswerFiles({bogus});
        f.Action("mnuFileLoad")->trigger();
        QCOMPARE(f.prompter.Last().Kind, QString("Message"));
        QCOMPARE(f.prompter.Last().Icon, MessageIcon::Warning);
        QVERIFY(f.prompter.Last().Text.startsWith("Unable to load " + bogus));
        // A cancelled dialog does nothing.
        const size_t asked = f.prompter.Asked.size();
        f.Action("mnuFileLoad")->trigger();
        QCOMPARE(f.prompter.Asked.size(), asked + 1);
        QCOMPARE(f.prompter.Last().Kind, QString("OpenFile"));
    }

    void headerClicksSortThroughTheEngine_data() {
        QTest::addColumn<int>("section");
        QTest::addColumn<QStringList>("firstClick");
        QTest::addColumn<QStringList>("secondClick");
        // A number column starts descending; the file column (already the sort key) flips.
        QTest::newRow("Total Requests") << 1 << QStringList{"/a.html", "/c.html", "/b.html", "/d.html"}
                                        << QStringList{"/b.html", "/d.html", "/c.html", "/a.html"};
        QTest::newRow("File") << 0 << QStringList{"/d.html", "/c.html", "/b.html", "/a.html"}
                              << QStringList{"/a.html", "/b.html", "/c.html", "/d.html"};
    }
    void headerClicksSortThroughTheEngine() {
        QFETCH(int, section);
        QFETCH(QStringList, firstClick);
        QFETCH(QStringList, secondClick);
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("a.log", FilesLog(true))});
        ReportListView* files = f.win->ListView(lstFiles);
        const ReportList& list = f.A().Lists[lstFiles];
        ClickHeader(files, section);
        QCOMPARE(Column(list, 1), firstClick);
        QCOMPARE(files->model()->data(files->model()->index(0, 0)).toString(), firstClick.first());
        ClickHeader(files, section);
        QCOMPARE(Column(list, 1), secondClick);
    }

    void sortAndWidthsSurviveARestart() {
        WindowFixture f(OneSite);
        // Nothing is saved for the sort settings before a report was shown.
        f.Restart();
        QCOMPARE(f.store->GetSetting("Sort", "List2Key", "X"), std::string("X"));
        // A column never filled keeps no width, so the first run still sizes it.
        QCOMPARE(f.store->GetSetting("Window", "List2Width1", "X"), std::string("X"));

        f.Run({f.WriteLog("a.log", FilesLog(true))});
        ReportListView* files = f.win->ListView(lstFiles);
        ClickHeader(files, 1);
        files->setColumnWidth(0, 333);
        f.Restart();
        QCOMPARE(f.store->GetSetting("Sort", "List2Key"), std::string("1"));
        QCOMPARE(f.store->GetSetting("Sort", "List2Dir"), std::string("1"));
        QCOMPARE(f.store->GetSetting("Window", "List2Width1"), std::to_string(PixelsToTwips(333, f.win.get())));
        files = f.win->ListView(lstFiles);
        QVERIFY(std::abs(files->columnWidth(0) - 333) <= 1);
        // The next run applies the saved order: most requested first.
        f.Run({f.Path("a.log")});
        QCOMPARE(Column(f.A().Lists[lstFiles], 1).first(), QString("/a.html"));
        QCOMPARE(f.A().Lists[lstFiles].SortOrder, 1);
    }

    void displayChoicesAreRestoredAndKept_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("defaults") << "" << QStringList{"optList", "optKeywords", "optOS"}
                                  << QStringList{"lstHits", "lstHour", "lstSearchTerms", "lstOS"};
        QTest::newRow("graphs, engines, browsers")
            << "HitsDisplay=Graph\nSearchDisplay=Engine\nBrowserDisplay=2\n"
            << QStringList{"optGraph", "optSearchEngine", "optBrowsers"}
            << QStringList{"chtDate", "chtHour", "lstSearchEngines", "lstWebBrowser"};
        QTest::newRow("raw data, any other hits text")
            << "HitsDisplay=table\nBrowserDisplay=3\n" << QStringList{"optGraph", "optKeywords", "optRawData"}
            << QStringList{"chtDate", "lstSearchTerms", "lstBrowsers"};
        QTest::newRow("browser display 4 selects nothing") << "BrowserDisplay=4\n"
                                                           << QStringList{"optList", "optKeywords"}
                                                           << QStringList{"lstHits"};
    }
    void displayChoicesAreRestoredAndKept() {
        QFETCH(QString, stored);
        QFETCH(QStringList, checked);
        QFETCH(QStringList, shown);
        WindowFixture f("[Options]\n" + stored);
        for (const char* name : {"optList", "optGraph", "optKeywords", "optSearchEngine", "optOS", "optBrowsers",
                                 "optRawData"})
            QCOMPARE(f.Find<QRadioButton>(name)->isChecked(), checked.contains(name));
        for (const QString& name : shown) QVERIFY2(!f.Find<QWidget>(name)->isHidden(), qPrintable(name));
        const std::string browser = f.store->GetSetting("Options", "BrowserDisplay", "1");
        f.Restart();
        QCOMPARE(f.store->GetSetting("Options", "BrowserDisplay"), browser);
        for (const char* name : {"optList", "optGraph", "optKeywords", "optSearchEngine", "optOS", "optBrowsers",
                                 "optRawData"})
            QCOMPARE(f.Find<QRadioButton>(name)->isChecked(), checked.contains(name));
    }

    void updateFiltersEnablesWhatTheBoxesAllow_data() {
        QTest::addColumn<QString>("ticked");   // t: log text, f: file, d: date, b: between
        QTest::addColumn<QStringList>("enabled");
        QTest::newRow("none") << "" << QStringList{};
        QTest::newRow("log text") << "t" << QStringList{"lstContain0", "txtFilterText0"};
        QTest::newRow("file") << "f" << QStringList{"lstContain1", "txtFilterText1"};
        QTest::newRow("date equal") << "d" << QStringList{"lstIs", "lstEqualBetween", "dtpDate0"};
        QTest::newRow("date between") << "db"
                                      << QStringList{"lstIs", "lstEqualBetween", "dtpDate0", "lblAnd", "dtpDate1"};
        QTest::newRow("between without date") << "b" << QStringList{};
    }
    void updateFiltersEnablesWhatTheBoxesAllow() {
        QFETCH(QString, ticked);
        QFETCH(QStringList, enabled);
        WindowFixture f;
        f.Find<QComboBox>("lstEqualBetween")->setCurrentIndex(ticked.contains('b') ? 1 : 0);
        f.Find<QCheckBox>("chkFilterLogText")->setChecked(ticked.contains('t'));
        f.Find<QCheckBox>("chkFilterFile")->setChecked(ticked.contains('f'));
        f.Find<QCheckBox>("chkFilterDate")->setChecked(ticked.contains('d'));
        f.win->UpdateFilters();
        for (const char* name : {"lstContain0", "txtFilterText0", "lstContain1", "txtFilterText1", "lstIs",
                                 "lstEqualBetween", "dtpDate0", "lblAnd", "dtpDate1"})
            QVERIFY2(f.Find<QWidget>(name)->isEnabled() == enabled.contains(name), name);
        // Pickers and "and" are hidden exactly when disabled.
        for (const char* name : {"dtpDate0", "lblAnd", "dtpDate1"})
            QCOMPARE(f.Find<QWidget>(name)->isHidden(), !enabled.contains(name));
    }

    void secondDateBeforeFirstWarnsOnce_data() {
        QTest::addColumn<bool>("between");
        QTest::addColumn<int>("picker");
        QTest::addColumn<int>("days");   // the new date relative to the other picker's
        QTest::addColumn<int>("warnings");
        QTest::newRow("second before first") << true << 1 << -1 << 1;
        QTest::newRow("first after second") << true << 0 << 1 << 1;
        QTest::newRow("equal dates") << true << 1 << 0 << 0;
        QTest::newRow("second after first") << true << 1 << 5 << 0;
        QTest::newRow("equal to: second picker unused") << false << 0 << 9 << 0;
    }
    void secondDateBeforeFirstWarnsOnce() {
        QFETCH(bool, between);
        QFETCH(int, picker);
        QFETCH(int, days);
        QFETCH(int, warnings);
        WindowFixture f;
        f.Find<QCheckBox>("chkFilterDate")->click();
        auto* mode = f.Find<QComboBox>("lstEqualBetween");
        mode->setCurrentIndex(between ? 1 : 0);
        emit mode->activated(mode->currentIndex());
        auto* d0 = f.Find<QDateEdit>("dtpDate0");
        auto* d1 = f.Find<QDateEdit>("dtpDate1");
        QDateEdit* changed = picker == 0 ? d0 : d1;
        QDateEdit* other = picker == 0 ? d1 : d0;
        const QDate target = other->date().addDays(days);
        changed->setDate(target);
        // Nothing is said while a date is being typed; the order is checked when editing ends.
        QCOMPARE(f.prompter.Count("Message"), 0);
        emit changed->editingFinished();
        emit other->editingFinished();
        QCOMPARE(f.prompter.Count("Message"), warnings);
        if (warnings) {
            QCOMPARE(f.prompter.Last().Text, QString("First date should be earlier than second date"));
            QCOMPARE(f.prompter.Last().Icon, MessageIcon::Warning);
        }
        QCOMPARE(changed->date(), target);   // the change goes through
    }

    void filtersReachTheRunAndTheRecentLists() {
        WindowFixture f(OneSite);
        f.win->AddLogFiles({f.WriteLog("a.log", FilesLog(true))});
        f.Find<QCheckBox>("chkFilterFile")->click();
        f.Find<QComboBox>("txtFilterText1")->setEditText("/a.");
        f.Run({});
        QCOMPARE(Column(f.A().Lists[lstFiles], 1), QStringList({"/a.html"}));
        auto* history = f.Find<QComboBox>("txtFilterText1");
        QCOMPARE(history->count(), 1);
        QCOMPARE(history->itemText(0), QString("/a."));
        QCOMPARE(f.Find<QComboBox>("lstRecentFiles")->itemText(0), f.Path("a.log"));
    }

    void rawLogSearch() {
        WindowFixture f(QString(OneSite) + "[Options]\nShowRawLog=Yes\n");
        f.Run({f.WriteLog("a.log", FilesLog(true))});
        f.win->ShowReportPage("rawlog");
        auto* text = f.Find<QLineEdit>("txtSearchText");
        auto* button = f.Find<QPushButton>("butSearch");
        QVERIFY(!f.Find<QLabel>("lblNoRawLog")->isVisible());
        QCOMPARE(text->text(), QString("Enter search text..."));
        // Not there: the message, and the next press searches on.
        text->clear();
        QTest::keyClicks(text, "no-such-text");
        QCOMPARE(button->text(), QString("&Search..."));
        button->click();
        QCOMPARE(f.prompter.Last().Text, QString("Can't find 'no-such-text'"));
        QCOMPARE(button->text(), QString("&Find next..."));
        // An edit starts over.
        QTest::keyClick(text, Qt::Key_Backspace);
        QCOMPARE(button->text(), QString("&Search..."));
        auto* view = f.win->findChild<RawLogView*>("txtRawLog");
        text->clear();
        QTest::keyClicks(text, "/c.html");
        const size_t asked = f.prompter.Asked.size();
        button->click();
        QCOMPARE(view->SelectedText(), QString("/c.html"));
        button->click();   // the second /c.html line
        QCOMPARE(view->SelectedText(), QString("/c.html"));
        QCOMPARE(f.prompter.Asked.size(), asked);
    }

    // The page reads the run's lines where they are: all of them, copied with CR LF as a text
    // of lines; a log truncated after the run is named, and none of its text is shown or found.
    void rawLogReadsTheLinesAndNotesAChangedFile() {
        WindowFixture f(QString(OneSite) + "[Options]\nShowRawLog=Yes\n");
        const QString log = FilesLog(true);
        const QString path = f.WriteLog("a.log", log);
        f.Run({path});
        f.win->ShowReportPage("rawlog");
        auto* view = f.win->findChild<RawLogView*>("txtRawLog");
        auto* note = f.Find<QLabel>("lblRawLogChanged");
        QCOMPARE(view->LineCount(), size_t{8});   // the empty line after the last break too
        QVERIFY(note->isHidden());
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QApplication::clipboard()->clear();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QString(log).replace("\n", "\r\n"));
        QVERIFY(view->Find("/D.HTML", true));
        QCOMPARE(view->LineOf(view->SelectionStart()), size_t{6});
        QCOMPARE(view->SelectedText(), QString("/d.html"));

        QVERIFY(QFile::resize(path, 0));   // rotated by copy and truncate
        view->viewport()->repaint();
        QVERIFY(!note->isHidden());
        QCOMPARE(note->text(), QString("a.log changed after it was read; its lines are not shown"));
        QVERIFY(!view->Find("/a.html", true));
        QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(view->SelectedText(), QString("\r\n").repeated(7));
        // A new run of another file has no note.
        f.win->TaskClick("reset");
        f.win->TaskClick("sites");
        f.Run({f.WriteLog("b.log", FilesLog(false))});
        QCOMPARE(view->LineCount(), size_t{7});
        QVERIFY(note->isHidden());
    }

    void rawLogOffShowsTheNote() {
        WindowFixture f;
        QVERIFY(f.Find<QLabel>("lblNoRawLog")->text().startsWith("Raw Log is currently turned OFF."));
        QVERIFY(!f.Find<QLabel>("lblNoRawLog")->isHidden());
        QVERIFY(f.Find<QWidget>("txtRawLog")->isHidden());
    }
};

QTEST_MAIN(ReportPagesTest)
#include "ReportPagesTest.moc"
