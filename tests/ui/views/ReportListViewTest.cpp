// Report lists on screen: cells in the user's locale over the engine's fixed-format rows,
// header clicks sorting through the engine, widths in twips, copy, and the click signals.
// The moc of Qt 6.4 cannot read the C++20 library headers the engine pulls in.
#ifndef Q_MOC_RUN
#include "engine/Analyser.h"
#include "engine/lists/ReportLists.h"
#endif
#include "views/ReportListView.h"
#include "views/ReportTableModel.h"
#include "common/Twips.h"

#include <QAction>
#include <QApplication>
#include <QVBoxLayout>
#include <QClipboard>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace trevix;
using namespace trevix::ui;

namespace {

struct FileRow {
    const char* File;
    const char* Requests;
    const char* Bandwidth;
    const char* Change;
};

// lstFiles with a comparison column, rows chosen so that text order and number order differ.
void FillFiles(Analyser& a) {
    ReportList& list = a.Lists[lstFiles];
    list.Columns.push_back({"% Change Requests", SortType::Number, 1440});
    const FileRow rows[] = {
        {"/b.html", "9", "1,234.56", "+ 12.50"},
        {"/a.html", "1,200", "999.00", "New"},
        {"/c\tx.html", "85", "12,000.10", "- 3.00"},
        {"/d.html", "10", "0.50", "  0.00"},
    };
    for (const FileRow& r : rows) {
        const size_t at = list.AddRow(r.File);
        list.SetCell(at, 2, r.Requests);
        list.SetCell(at, 6, r.Bandwidth);
        list.SetCell(at, 7, r.Change);
    }
}

QStringList Column(const ReportListView& view, int column) {
    QStringList cells;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        cells << view.model()->index(row, column).data().toString();
    return cells;
}

void ClickHeader(ReportListView& view, int column) {
    QHeaderView* header = view.horizontalHeader();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

QPoint RowCenter(const ReportListView& view, int row) {
    return view.visualRect(view.model()->index(row, 0)).center();
}

} // namespace

class ReportListViewTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void cellsInLocale_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("shown");
        const int number = static_cast<int>(SortType::Number), date = static_cast<int>(SortType::Date),
                  text = static_cast<int>(SortType::Text);
        QTest::newRow("de thousands+decimals") << "de_DE" << "1,234.56" << number << "1.234,56";
        QTest::newRow("de millions") << "de_DE" << "12,345,678" << number << "12.345.678";
        QTest::newRow("de negative change") << "de_DE" << "- 12.50" << number << "-12,50";
        QTest::newRow("de positive change") << "de_DE" << "+ 3.00" << number << "+3,00";
        QTest::newRow("de zero change") << "de_DE" << "  0.00" << number << "0,00";
        QTest::newRow("de New") << "de_DE" << "New" << number << "New";
        QTest::newRow("de hour keeps zero") << "de_DE" << "07" << number << "07";
        QTest::newRow("de not a number") << "de_DE" << "1,2x" << number << "1,2x";
        QTest::newRow("de date-time") << "de_DE" << "12/07/2026 13:05:09" << date << "12.07.2026 13:05:09";
        QTest::newRow("de date") << "de_DE" << "01/02/2026" << date << "01.02.2026";
        QTest::newRow("de impossible date") << "de_DE" << "31/02/2026" << date << "31/02/2026";
        QTest::newRow("de text untouched") << "de_DE" << "1,234.56" << text << "1,234.56";
        QTest::newRow("de markup stays text") << "de_DE" << "<b>x</b>" << text << "<b>x</b>";
        QTest::newRow("fr grouping") << "fr_FR" << "1,234.5" << number
                                     << QString("1") + QLocale("fr_FR").groupSeparator() + "234,5";
        QTest::newRow("us four-digit year") << "en_US" << "05/11/2026" << date << "11/5/2026";
        QTest::newRow("C unchanged") << "C" << "05/11/2026 00:00:01" << date << "05/11/2026 00:00:01";
        QTest::newRow("C change") << "C" << "- 1.25" << number << "-1.25";
    }
    void cellsInLocale() {
        QFETCH(QString, locale);
        QFETCH(QString, cell);
        QFETCH(int, type);
        QFETCH(QString, shown);
        const QByteArray bytes = cell.toUtf8();
        QCOMPARE(ReportTableModel::DisplayText(bytes.toStdString(), static_cast<SortType>(type),
                                               CellFormats(QLocale(locale))),
                 shown);
    }

    // The German user reads German numbers, the engine's list (and so the saved report) keeps
    // the fixed format, and sorting goes by value, not by the shown text.
    void germanListShowsLocaleKeepsFixedAndSortsByValue() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Analyser a;
        FillFiles(a);
        ReportListView view;
        view.Attach(a, lstFiles);
        QCOMPARE(view.objectName(), QString("lstFiles"));
        QCOMPARE(view.model()->index(0, 5).data().toString(), QString("1.234,56"));
        QCOMPARE(view.model()->index(1, 1).data().toString(), QString("1.200"));
        QCOMPARE(std::string(a.Lists[lstFiles].Cell(0, 6)), std::string("1,234.56"));

        view.SortByColumn(5);
        QCOMPARE(Column(view, 5), QStringList({"12.000,10", "1.234,56", "999,00", "0,50"}));
        QCOMPARE(std::string(a.Lists[lstFiles].Cell(0, 6)), std::string("12,000.10"));
        QCOMPARE(view.model()->headerData(5, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(view.model()->index(0, 5).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
                 Qt::AlignRight);

        ReportListView pages;
        pages.Attach(a, 0);
        QCOMPARE(pages.objectName(), QString("lstPages"));
        QCOMPARE(pages.List(), &a.Lists.Pages);
    }

    void headerClicks_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QStringList>("files");   // first column after the last click
        QTest::addColumn<int>("indicator");        // Qt::SortOrder shown after the last click
        QTest::newRow("number column first click descends") << QList<int>{1} << QStringList{"/a.html", "/c\tx.html", "/d.html", "/b.html"} << int(Qt::DescendingOrder);
        QTest::newRow("number column second click ascends") << QList<int>{1, 1} << QStringList{"/b.html", "/d.html", "/c\tx.html", "/a.html"} << int(Qt::AscendingOrder);
        QTest::newRow("New change above all when descending") << QList<int>{6} << QStringList{"/a.html", "/b.html", "/d.html", "/c\tx.html"} << int(Qt::DescendingOrder);
        QTest::newRow("change ascending puts New last") << QList<int>{6, 6} << QStringList{"/c\tx.html", "/d.html", "/b.html", "/a.html"} << int(Qt::AscendingOrder);
        QTest::newRow("text column after another ascends") << QList<int>{1, 0} << QStringList{"/a.html", "/b.html", "/c\tx.html", "/d.html"} << int(Qt::AscendingOrder);
        QTest::newRow("first column of a fresh list flips") << QList<int>{0} << QStringList{"/d.html", "/c\tx.html", "/b.html", "/a.html"} << int(Qt::DescendingOrder);
    }
    void headerClicks() {
        QFETCH(QList<int>, clicks);
        QFETCH(QStringList, files);
        QFETCH(int, indicator);
        Analyser a;
        FillFiles(a);
        ReportListView view;
        view.Attach(a, lstFiles);
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy sorted(&view, &ReportListView::Sorted);
        for (int column : clicks) ClickHeader(view, column);
        QCOMPARE(sorted.count(), clicks.size());
        QCOMPARE(Column(view, 0), files);
        QVERIFY(view.horizontalHeader()->isSortIndicatorShown());
        QCOMPARE(view.horizontalHeader()->sortIndicatorSection(), clicks.back());
        QCOMPARE(int(view.horizontalHeader()->sortIndicatorOrder()), indicator);
        QCOMPARE(a.Lists[lstFiles].SortKey, clicks.back());
    }

    // A sort moves the rows; the user's selection and focus move with them.
    void selectionFollowsSort() {
        Analyser a;
        FillFiles(a);
        ReportListView view;
        view.Attach(a, lstFiles);
        QVERIFY(!view.horizontalHeader()->isSortIndicatorShown());
        view.selectRow(0);   // /b.html
        view.SortByColumn(1);
        QCOMPARE(view.SelectedRows(), std::vector<int>{3});
        QCOMPARE(view.CurrentRow(), 3);
    }

    void twipsRoundTrip_data() {
        QTest::addColumn<int>("pixels");
        for (int px : {0, 1, 37, 96, 97, 500, 1919}) QTest::addRow("%d px", px) << px;
    }
    void twipsRoundTrip() {
        QFETCH(int, pixels);
        QWidget widget;
        QCOMPARE(TwipsToPixels(PixelsToTwips(pixels, &widget), &widget), pixels);
        QCOMPARE(TwipsToPixels(1440, &widget), widget.logicalDpiX());
    }

    // Widths live in the list in twips: applied at attach, written back when the user drags
    // a column, and new comparison columns get theirs on reload.
    void columnWidthsFollowTheList() {
        Analyser a;
        ReportList& list = a.Lists[lstReferrers];
        list.Columns[0].Width = 2880;
        ReportListView view;
        view.resize(200, 100);   // narrower than the columns: the last one has nothing to take
        view.Attach(a, lstReferrers);
        const int dpi = view.logicalDpiX();
        QCOMPARE(view.columnWidth(0), dpi * 2);
        QCOMPARE(view.columnWidth(2), dpi);
        view.horizontalHeader()->resizeSection(1, dpi / 2);
        QCOMPARE(list.Columns[1].Width, 720);
        list.Columns.push_back({"Compare", SortType::Number, 4320});
        view.Reload();
        QCOMPARE(view.columnWidth(3), dpi * 3);
        QCOMPARE(view.columnWidth(0), dpi * 2);
    }

    // A column with no stored width is sized when its list is first filled, from the header
    // and the first 200 rows, at most 400 px, and only then; a stored width wins; the last
    // column takes the rest of the view but keeps its own width for the settings.
    void columnsFitTheirFirstRows_data() {
        QTest::addColumn<QStringList>("cells");   // column 1 of the rows, in order
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("widest");      // the text the width must show, or "" for 400 px
        QStringList shortRows;
        for (int i = 0; i < 200; ++i) shortRows << QString("/pages/archive/p%1.html").arg(i);
        QTest::newRow("header wider than the rows") << QStringList{"/a", "/b"} << false << "Referring URL";
        QTest::newRow("rows wider than the header") << shortRows << false << "/pages/archive/p199.html";
        QTest::newRow("rows after the 200th not measured")
            << shortRows + QStringList{QString(300, QChar('w'))} << false << "/pages/archive/p199.html";
        QTest::newRow("at most 400 px") << QStringList{"/a", QString(300, QChar('w'))} << false << "";
        QTest::newRow("a stored width wins") << shortRows << true << "";
    }
    void columnsFitTheirFirstRows() {
        QFETCH(QStringList, cells);
        QFETCH(bool, stored);
        QFETCH(QString, widest);
        Analyser a;
        ReportList& list = a.Lists[lstReferrers];
        for (ListColumn& c : list.Columns) c.FitToContents = !stored;
        list.Columns[0].Width = 2880;
        list.Columns[1].FitToContents = false;   // stored: 1440 twips
        ReportListView view;
        view.resize(1000, 300);
        view.Attach(a, lstReferrers);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int dpi = view.logicalDpiX();
        const QFontMetrics font = view.fontMetrics();
        // Empty: the headers show whole, and the first rows still size the column.
        if (!stored) {
            QVERIFY(view.columnWidth(0) >= view.horizontalHeader()->fontMetrics().horizontalAdvance("Referring URL"));
            QVERIFY(list.Columns[0].FitToContents);
        }

        for (const QString& cell : cells) list.AddRow(cell.toStdString());
        view.Reload();
        const int width = view.columnWidth(0);
        if (stored)
            QCOMPARE(width, dpi * 2);
        else if (widest.isEmpty())
            QCOMPARE(width, 400);
        else
            QVERIFY2(width >= font.horizontalAdvance(widest) && width <= font.horizontalAdvance(widest) + 60,
                     qPrintable(QString::number(width)));
        QCOMPARE(view.columnWidth(1), dpi);
        QVERIFY(!list.Columns[0].FitToContents);
        QCOMPARE(list.Columns[0].Width, PixelsToTwips(width, &view));

        // Sized once: later rows change nothing.
        list.AddRow(std::string(120, 'm'));
        view.Reload();
        QCOMPARE(view.columnWidth(0), width);

        // The last column fills the view; its leftover is not taken for its width.
        const int last = view.columnWidth(2);
        QVERIFY(view.columnWidth(0) + view.columnWidth(1) + last >= view.viewport()->width());
        const int ownWidth = list.Columns[2].Width;
        view.StoreColumnWidths();
        QCOMPARE(list.Columns[2].Width, ownWidth);
        QVERIFY(PixelsToTwips(last, &view) != ownWidth);
    }

    // After a sort the view shows the selected row in its new place, or the top when no row
    // is selected, wherever it was scrolled to.
    void sortShowsSelectionOrTop_data() {
        QTest::addColumn<int>("selected");   // row selected before the sort, or -1
        QTest::addColumn<int>("focused");    // row with the focus but not selected, or -1
        QTest::addColumn<int>("shownRow");   // the row that must be on screen after it
        QTest::newRow("nothing selected") << -1 << -1 << 0;
        QTest::newRow("focus without selection") << -1 << 250 << 0;
        QTest::newRow("selected row moves down") << 5 << -1 << 294;
        QTest::newRow("selected row moves up") << 290 << -1 << 9;
    }
    void sortShowsSelectionOrTop() {
        QFETCH(int, selected);
        QFETCH(int, focused);
        QFETCH(int, shownRow);
        Analyser a;
        ReportList& list = a.Lists[lstFiles];
        for (int i = 0; i < 300; ++i) {
            const size_t at = list.AddRow(QString("/p%1.html").arg(i, 3, 10, QChar('0')).toStdString());
            list.SetCell(at, 2, std::to_string(i));
        }
        ReportListView view;
        view.Attach(a, lstFiles);
        view.resize(600, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        if (selected >= 0) view.selectRow(selected);
        if (focused >= 0) view.selectionModel()->setCurrentIndex(view.model()->index(focused, 0), QItemSelectionModel::NoUpdate);
        view.scrollTo(view.model()->index(150, 0), QAbstractItemView::PositionAtCenter);
        ClickHeader(view, 1);   // Total Requests, descending
        QCOMPARE(Column(view, 1).first(), QString("299"));
        if (selected < 0) {
            QCOMPARE(view.verticalScrollBar()->value(), 0);
            QVERIFY(view.SelectedRows().empty());
        } else {
            QCOMPARE(view.SelectedRows(), std::vector<int>{shownRow});
        }
        QVERIFY(view.viewport()->rect().contains(view.visualRect(view.model()->index(shownRow, 0))));
    }

    void copySelectedRowsAsTabSeparatedText() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Analyser a;
        FillFiles(a);
        // The window's own Ctrl+C command must not take the keys from a focused list.
        QWidget window;
        auto* windowCopy = new QAction(&window);
        windowCopy->setShortcut(QKeySequence::Copy);
        window.addAction(windowCopy);
        QSignalSpy windowCopied(windowCopy, &QAction::triggered);
        auto* layout = new QVBoxLayout(&window);
        auto* list = new ReportListView;
        layout->addWidget(list);
        ReportListView& view = *list;
        view.Attach(a, lstFiles);
        window.resize(900, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        view.setFocus();
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, RowCenter(view, 2));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier, RowCenter(view, 0));
        QApplication::clipboard()->clear();
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 QString("/b.html\t9\t\t\t\t1.234,56\t+12,50\n"
                         "/c x.html\t85\t\t\t\t12.000,10\t-3,00\n"));
        QCOMPARE(windowCopied.count(), 0);
    }

    void clickSignals() {
        Analyser a;
        FillFiles(a);
        ReportListView view;
        view.Attach(a, lstFiles);
        view.resize(900, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy doubled(&view, &ReportListView::RowDoubleClicked);
        QSignalSpy menu(&view, &ReportListView::ContextMenuRequested);
        // A double click is a click followed by the second press.
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, RowCenter(view, 1));
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, RowCenter(view, 1));
        QCOMPARE(doubled.count(), 1);
        QCOMPARE(doubled.at(0).at(0).toInt(), 1);
        QTest::mouseClick(view.viewport(), Qt::RightButton, {}, RowCenter(view, 3));
        QCOMPARE(menu.count(), 1);
        QCOMPARE(menu.at(0).at(0).toInt(), 3);
        view.clearSelection();
        view.setCurrentIndex({});
        QTest::mouseClick(view.viewport(), Qt::RightButton, {}, QPoint(5, view.viewport()->height() - 5));
        QCOMPARE(menu.count(), 2);
        QCOMPARE(menu.at(1).at(0).toInt(), -1);
    }
};

QTEST_MAIN(ReportListViewTest)
#include "ReportListViewTest.moc"
