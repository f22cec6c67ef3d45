// The referred-by/to view through its widgets: both lists from the referrer table, the sort
// rule of its column clicks, "V&isit URL" with web addresses only, and its stored settings.
#ifndef Q_MOC_RUN
#include "ui/support/SmallRun.h"
#endif
#include "config/MemorySettingsStore.h"
#include "dialogs/DataViewWindow.h"
#include "common/VisitUrl.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QUrl>
#include <QtTest>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const std::string Ref = "http://www.example.com/index.html";
const std::string Log =
    Line("10.0.0.1", "05/Nov/2026:10:00:00", "/index.html", "100", "http://search.test/?q=shoes") +
    Line("10.0.0.1", "05/Nov/2026:10:00:01", "/logo.gif", "100", Ref) +
    Line("10.0.0.1", "05/Nov/2026:10:00:02", "/photo.jpg", "100", Ref) +
    Line("10.0.0.2", "05/Nov/2026:10:00:03", "/index.html", "100", "javascript:alert(1)") +
    Line("10.0.0.2", "05/Nov/2026:10:00:04", "/logo.gif", "100", Ref) +
    Line("10.0.0.3", "05/Nov/2026:10:00:05", "/index.html", "100", "https://friend.test/links") +
    Line("10.0.0.3", "05/Nov/2026:10:00:06", "/logo.gif", "100", "https://example.com/index.html") +
    Line("10.0.0.4", "05/Nov/2026:10:00:07", "/index.html", "100", "https://friend.test/links") +
    Line("10.0.0.4", "05/Nov/2026:10:00:08", "/lonely.html", "100");

QStringList Column(QTableView* view, int column) {
    QStringList cells;
    for (int r = 0; r < view->model()->rowCount(); ++r) cells << view->model()->index(r, column).data().toString();
    return cells;
}
} // namespace

class DataViewWindowTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        run_ = std::make_unique<SmallRun>();
        run_->Run(Log);
    }
    void cleanup() {
        delete DataViewWindow::Instance();
        run_.reset();
        SetUrlOpener({});
    }

    void listsForAFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("referredBy");   // "text=visitors" per row
        QTest::addColumn<QStringList>("referredTo");
        QTest::newRow("page that embeds graphics, on both schemes")
            << "/index.html"
            << QStringList{"http://search.test/?q=shoes=1", "javascript:alert(1)=1", "https://friend.test/links=2"}
            << QStringList{"/logo.gif=2", "/photo.jpg=1", "/logo.gif=1"};
        QTest::newRow("graphic: referred by its page, refers to nothing")
            << "/photo.jpg" << QStringList{Ref.c_str() + QString("=1")} << QStringList{};
        QTest::newRow("file with no referrers and no links") << "/lonely.html" << QStringList{} << QStringList{};
        QTest::newRow("name nobody requested") << "/nothing.html" << QStringList{} << QStringList{};
    }
    void listsForAFile() {
        QFETCH(QString, file);
        QFETCH(QStringList, referredBy);
        QFETCH(QStringList, referredTo);
        // The window comes from a lstFiles row when the file has one, else directly.
        const int row = run_->RowOf(lstFiles, file.toStdString());
        DataViewWindow* w = row >= 0 ? ShowReferredByTo(run_->A, nullptr, row, nullptr)
                                     : (new DataViewWindow(run_->A, nullptr));
        if (row < 0) w->ShowFile(file);
        QCOMPARE(w->windowTitle(), file);
        auto rows = [](QTableView* v) {
            QStringList out;
            for (int r = 0; r < v->model()->rowCount(); ++r)
                out << v->model()->index(r, 0).data().toString() + "=" + v->model()->index(r, 1).data().toString();
            return out;
        };
        QCOMPARE(rows(w->findChild<QTableView*>("lstReferredBy")), referredBy);
        QCOMPARE(rows(w->findChild<QTableView*>("lstReferredTo")), referredTo);
        QCOMPARE(w->findChild<QLabel*>("lblBy")->text(), QString("File referred by... (where visitors came from):"));
        if (row < 0) delete w;
        else if (file == "/index.html") SaveShot(w, "referred-by-to");
    }

    void columnClicksFollowTheViewsOwnRule() {
        DataViewWindow* w = ShowReferredByTo(run_->A, nullptr, run_->RowOf(lstFiles, "/index.html"), nullptr);
        auto* by = w->findChild<QTableView*>("lstReferredBy");
        struct Click { int column; QStringList files; };
        const Click clicks[] = {
            {1, {"http://search.test/?q=shoes", "javascript:alert(1)", "https://friend.test/links"}},   // ascending
            {1, {"https://friend.test/links", "http://search.test/?q=shoes", "javascript:alert(1)"}},   // again: descending
            {0, {"http://search.test/?q=shoes", "https://friend.test/links", "javascript:alert(1)"}},   // other column: ascending
            {0, {"javascript:alert(1)", "https://friend.test/links", "http://search.test/?q=shoes"}},
        };
        for (const Click& c : clicks) {
            emit by->horizontalHeader()->sectionClicked(c.column);
            QCOMPARE(Column(by, 0), c.files);
        }
    }

    void visitUrlOpensOnlyWebAddresses() {
        QList<QUrl> opened;
        SetUrlOpener([&](const QUrl& url) { opened << url; return true; });
        DataViewWindow* w = ShowReferredByTo(run_->A, nullptr, run_->RowOf(lstFiles, "/index.html"), nullptr);
        QSignalSpy status(w, &DataViewWindow::StatusText);
        auto* by = w->findChild<QTableView*>("lstReferredBy");
        auto* visit = w->findChild<QPushButton*>("butVisitURL");

        visit->click();   // nothing selected: nothing happens
        by->selectRow(1);  // javascript:
        visit->click();
        by->selectRow(2);
        emit by->doubleClicked(by->model()->index(2, 0));
        QCOMPARE(opened, QList<QUrl>{QUrl("https://friend.test/links")});
        QCOMPARE(status.count(), 1);
        QVERIFY(status.first().first().toString().contains("javascript:alert(1)"));
    }

    void placementAndColumnWidthsAreStored() {
        MemorySettingsStore store;
        store.SaveSetting("Window", "ReferredByWidth1", "2880");
        DataViewWindow* w = ShowReferredByTo(run_->A, &store, 0, nullptr);
        auto* by = w->findChild<QTableView*>("lstReferredBy");
        QCOMPARE(by->columnWidth(0), qRound(2880 * by->logicalDpiX() / 1440.0));
        QVERIFY(w->minimumWidth() == qRound(3000 * w->logicalDpiX() / 1440.0));
        w->close();
        for (const char* key : {"ReferrerLeft", "ReferrerTop", "ReferrerWidth", "ReferrerHeight", "ReferredToWidth1",
                                "ReferredToWidth2", "ReferredByWidth1", "ReferredByWidth2"})
            QVERIFY2(store.HasSetting("Window", key), key);
        QCOMPARE(store.GetSetting("Window", "ReferredByWidth1"), std::string("2880"));
    }

private:
    std::unique_ptr<SmallRun> run_;
};

QTEST_MAIN(DataViewWindowTest)
#include "DataViewWindowTest.moc"
