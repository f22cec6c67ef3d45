// "Visit URL": which texts are opened, and which cell each page's command opens.
#ifndef Q_MOC_RUN
#include "ui/support/SmallRun.h"
#endif
#include "common/VisitUrl.h"

#include <QUrl>
#include <QtTest>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

class VisitUrlTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { SetUrlOpener({}); }

    void opensOnlyWebAddresses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("opened");
        QTest::newRow("http") << "http://www.example.com/page?a=1" << true;
        QTest::newRow("https, upper-case scheme, blanks around") << "  HTTPS://example.com/ " << true;
        QTest::newRow("javascript") << "javascript:alert(document.cookie)" << false;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("bare host") << "www.example.com/page" << false;
        QTest::newRow("no referrer") << "-" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("http without a host") << "http:///etc/passwd" << false;
        QTest::newRow("ftp") << "ftp://example.com/file" << false;
    }
    void opensOnlyWebAddresses() {
        QFETCH(QString, text);
        QFETCH(bool, opened);
        int calls = 0;
        SetUrlOpener([&](const QUrl&) { ++calls; return true; });
        QString why = "stale";
        QCOMPARE(VisitUrl(text, why), opened);
        QCOMPARE(calls, opened ? 1 : 0);
        QCOMPARE(why.isEmpty(), opened);
    }

    void addressOfEachPagesRow() {
        SmallRun run;
        run.A.Reference.SearchEngineDefinitions.push_back({"Finder", "finder.test", "q"});
        run.Run(Line("1.1.1.1", "05/Nov/2026:10:00:00", "/a.html", "10", "http://finder.test/?q=red+shoes") +
                Line("1.1.1.2", "05/Nov/2026:10:00:01", "/b.html", "10", "http://blog.test/post") +
                Line("1.1.1.3", "05/Nov/2026:10:00:02", "/gone.html", "10", "http://blog.test/old", 404) +
                Line("1.1.1.4", "05/Nov/2026:10:00:03", "/gone.html", "10", "-", 404));
        struct Case { int list; std::string firstCell; QString address; };
        const Case cases[] = {
            {lstReferrers, "http://blog.test/post", "http://blog.test/post"},
            {lstSearchTerms, "red shoes", "http://finder.test/?q=red+shoes"},
            {lstErrors, "404", "http://blog.test/old"},
            {lstFiles, "/a.html", ""},   // no address on this page
        };
        for (const Case& c : cases) {
            const int row = run.RowOf(c.list, c.firstCell);
            QVERIFY2(row >= 0, c.firstCell.c_str());
            QCOMPARE(VisitUrlAddress(run.A, c.list, row), c.address);
        }
        // The error without a referrer opens nothing; a row past the end neither.
        const ReportList& errors = run.A.Lists[lstErrors];
        for (size_t r = 0; r < errors.RowCount(); ++r)
            if (errors.Cell(r, 4) == "-") QCOMPARE(VisitUrlAddress(run.A, lstErrors, int(r)), QString());
        QCOMPARE(VisitUrlAddress(run.A, lstReferrers, 99), QString());

        // The whole command: a row without an address is silent, a refused one says why.
        QList<QUrl> opened;
        SetUrlOpener([&](const QUrl& url) { opened << url; return true; });
        QString why;
        QVERIFY(VisitReportRow(run.A, lstReferrers, run.RowOf(lstReferrers, "http://blog.test/post"), why));
        QVERIFY(!VisitReportRow(run.A, lstFiles, 0, why) && why.isEmpty());
        QCOMPARE(opened, QList<QUrl>{QUrl("http://blog.test/post")});
    }
};

QTEST_MAIN(VisitUrlTest)
#include "VisitUrlTest.moc"
