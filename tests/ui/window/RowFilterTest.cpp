// From a report list's row to a filter ("Show only this", "Hide this") and the filters each
// site keeps, through the real window.
#include "WindowFixture.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTreeWidget>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* TwoSites = "[Options]\nAnalyseCountries=Yes\n[Profiles]\nNumProfiles=2\n"
                       "[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n"
                       "[Profile2]\nSiteName=Blog\nNumDomains=0\n";

const QString Referrer = "http://ref.example/a b%20c?q=1";
const QString Quoted = "Tool \"quoted\" 1.0";
const QString Linux = "Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0";
const QString Windows = "Mozilla/5.0 (Windows NT 10.0; Win64; x64) Edge/120";

// One line of a JSON access log, which carries quotes, blanks and IPv6 addresses as they are.
QString Line(const QString& ip, const QString& file, int status, const QString& referrer, const QString& agent,
             int minute) {
    QJsonObject o{{"ClientHost", ip},
                  {"StartUTC", QString("2026-10-10T13:%1:00Z").arg(minute, 2, 10, QChar('0'))},
                  {"RequestMethod", "GET"},
                  {"RequestPath", file},
                  {"DownstreamStatus", status},
                  {"DownstreamContentSize", 100},
                  {"request_Referer", referrer},
                  {"request_User-Agent", agent}};
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + "\n";
}

// 1.0.0.x is Australia, 1.0.1.x China; 2001:db8::1 is of no country.
QString Log() {
    return Line("1.0.0.1", "/", 200, "-", Linux, 1) + Line("1.0.0.1", "/a.html", 200, Referrer, Linux, 2) +
           Line("2001:db8::1", "/b/a.html", 200, Referrer, Quoted, 3) +
           Line("2001:db8::1", "/missing", 404, "-", Quoted, 4) +
           Line("1.0.1.1", "/a.html", 404, "http://other.example/", Linux, 5) +
           Line("1.0.0.2", "/", 200, "http://other.example/", Windows, 6) +
           Line("1.0.0.2", "/gone", 410, "-", Windows, 7);
}

QStringList FirstCells(const ReportList& list) {
    QStringList cells;
    for (const ListRow& r : list.Rows)
        if (r.Cells[0] != "(unknown)") cells << QString::fromStdString(std::string(r.Cells[0]));
    return cells;
}

// Shows the list and right-clicks the rows whose first cells are texts (Ctrl held after the
// first, so all are selected); the list's menu, open.
QMenu* OpenMenu(WindowFixture& f, const QString& page, const QString& option, const QString& list,
                const QStringList& rows) {
    f.win->ShowReportPage(page);
    if (!option.isEmpty()) f.Find<QRadioButton>(option)->click();
    auto* view = f.Find<ReportListView>(list);
    if (!view || !view->isVisible()) return nullptr;
    QPoint at(5, view->viewport()->height() - 5);
    for (int i = 0; i < rows.size(); ++i) {
        const QModelIndexList found =
            view->model()->match(view->model()->index(0, 0), Qt::DisplayRole, rows[i], 1, Qt::MatchExactly);
        if (found.isEmpty()) return nullptr;
        at = view->visualRect(found.first()).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, i ? Qt::ControlModifier : Qt::NoModifier, at);
    }
    QTest::mouseClick(view->viewport(), Qt::RightButton, rows.size() > 1 ? Qt::ControlModifier : Qt::NoModifier, at);
    auto* menu = f.Find<QMenu>("mnuList");
    return menu && menu->isVisible() ? menu : nullptr;
}

void SelectSite(WindowFixture& f, int row) {
    auto* sites = f.Find<QTreeWidget>("lstSites");
    sites->setCurrentItem(sites->topLevelItem(row));
}

void SetValueFilter(WindowFixture& f, const QString& name, int op, const QString& value) {
    f.Find<QCheckBox>("chkFilter" + name)->click();
    auto* combo = f.Find<QComboBox>("cboFilter" + name + "Op");
    combo->setCurrentIndex(op);
    emit combo->activated(op);
    f.Find<QComboBox>("cboFilter" + name)->setEditText(value);
}
} // namespace

class RowFilterTest : public QObject {
    Q_OBJECT
private slots:
    // The row's value goes into its filter and the update keeps (or drops) exactly its entries.
    void rowToFilterAndUpdate_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("row");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("value");     // in the filter's box
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("entries");       // the engine's count after the update
        QTest::addColumn<QStringList>("rows");  // the list's rows after it (sorted)
        QTest::newRow("file kept whole") << "files" << "" << "lstFiles" << "/" << true << "chkFilterFile" << "/"
                                         << "is" << 2 << QStringList{"/"};
        QTest::newRow("file hidden whole") << "files" << "" << "lstFiles" << "/a.html" << false << "chkFilterFile"
                                           << "/a.html" << "is not" << 5
                                           << QStringList{"/", "/b/a.html", "/gone", "/missing"};
        QTest::newRow("status kept") << "errors" << "" << "lstErrors" << "404" << true << "chkFilterStatus" << "404"
                                     << "is" << 2 << QStringList{"404", "404"};
        QTest::newRow("status hidden") << "errors" << "" << "lstErrors" << "404" << false << "chkFilterStatus"
                                       << "404" << "is not" << 5 << QStringList{"410"};
        QTest::newRow("IPv6 address kept") << "IPs" << "" << "lstIPs" << "2001:db8::1" << true << "chkFilterAddress"
                                           << "2001:db8::1" << "is" << 2 << QStringList{"2001:db8::1"};
        QTest::newRow("address hidden") << "IPs" << "" << "lstIPs" << "1.0.0.1" << false << "chkFilterAddress"
                                        << "1.0.0.1" << "is not" << 5
                                        << QStringList{"1.0.0.2", "1.0.1.1", "2001:db8::1"};
        QTest::newRow("referrer with blanks and %") << "referrers" << "" << "lstReferrers" << Referrer << true
                                                    << "chkFilterReferrer" << Referrer << "contains" << 2
                                                    << QStringList{Referrer, Referrer};
        QTest::newRow("referrer hidden") << "referrers" << "" << "lstReferrers" << "http://other.example/" << false
                                         << "chkFilterReferrer" << "http://other.example/" << "doesn't contain" << 5
                                         << QStringList{Referrer, Referrer};
        QTest::newRow("user agent with quotes") << "browsers" << "optRawData" << "lstBrowsers" << Quoted << true
                                                << "chkFilterAgent" << Quoted << "contains" << 2 << QStringList{Quoted};
        QTest::newRow("user agent piece hidden") << "browsers" << "optRawData" << "lstBrowsers" << "Windows NT 10.0"
                                                 << false << "chkFilterAgent" << "Windows NT 10.0"
                                                 << "doesn't contain" << 5
                                                 << QStringList{"Firefox/120.0", "Linux x86_64", "Mozilla/5.0", Quoted,
                                                                "X11"};
        QTest::newRow("country by its code") << "country" << "" << "lstCountries" << "Australia" << true
                                             << "chkFilterCountry" << "au" << "is" << 4 << QStringList{"Australia"};
        QTest::newRow("country hidden") << "country" << "" << "lstCountries" << "China" << false << "chkFilterCountry"
                                        << "cn" << "is not" << 6 << QStringList{"Australia"};
    }
    void rowToFilterAndUpdate() {
        QFETCH(QString, page);
        QFETCH(QString, option);
        QFETCH(QString, list);
        QFETCH(QString, row);
        QFETCH(bool, keep);
        QFETCH(QString, check);
        QFETCH(QString, value);
        QFETCH(QString, op);
        QFETCH(int, entries);
        QFETCH(QStringList, rows);
        WindowFixture f(TwoSites);
        f.Run({f.WriteLog("access.log", Log())});
        QCOMPARE(f.A().Tables.EntryCount, 7u);
        QMenu* menu = OpenMenu(f, page, option, list, {row});
        QVERIFY(menu);
        QAction* item = f.Action(keep ? "mnuListShowOnly" : "mnuListHide");
        QVERIFY(item->isEnabled());
        item->trigger();
        menu->hide();
        f.win->WaitForWork();

        QCOMPARE(f.prompter.Count("Message"), 0);
        QVERIFY(f.Find<QCheckBox>(check)->isChecked());
        const QString name = check.mid(9);   // after "chkFilter"
        auto* opBox = f.Find<QComboBox>(name == "File" ? "lstContain1" : "cboFilter" + name + "Op");
        auto* valueBox = f.Find<QComboBox>(name == "File" ? "txtFilterText1" : "cboFilter" + name);
        QCOMPARE(opBox->currentText(), op);
        QCOMPARE(valueBox->currentText(), value);
        QVERIFY(f.A().Lists.State.Shown);
        QVERIFY(!f.A().Lists.State.OutOfDate);
        QCOMPARE(f.A().Tables.EntryCount, static_cast<uint32_t>(entries));
        auto* view = f.Find<ReportListView>(list);
        QStringList shown = FirstCells(*view->List());
        shown.sort();
        QCOMPARE(shown, rows);
        QCOMPARE(view->model()->rowCount(), static_cast<int>(view->List()->Rows.size()));
    }

    // The items are offered where a row names a value a filter reads, for one such row alone.
    void itemsOnlyForOneRowThatNamesAValue_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("one file") << "files" << "" << "lstFiles" << QStringList{"/gone"} << true << true;
        QTest::newRow("two files") << "files" << "" << "lstFiles" << QStringList{"/gone", "/"} << true << false;
        QTest::newRow("below the rows") << "files" << "" << "lstFiles" << QStringList{} << true << false;
        QTest::newRow("no country known") << "country" << "" << "lstCountries" << QStringList{"(unknown)"} << true
                                          << false;
        QTest::newRow("hours name no filter") << "visitors" << "" << "lstHour" << QStringList{"13"} << false << false;
        QTest::newRow("browser names are no agents") << "browsers" << "optBrowsers" << "lstWebBrowser"
                                                     << QStringList{"Firefox"} << false << false;
    }
    void itemsOnlyForOneRowThatNamesAValue() {
        QFETCH(QString, page);
        QFETCH(QString, option);
        QFETCH(QString, list);
        QFETCH(QStringList, rows);
        QFETCH(bool, shown);
        QFETCH(bool, enabled);
        WindowFixture f(TwoSites);
        f.Run({f.WriteLog("access.log", Log())});
        QMenu* menu = OpenMenu(f, page, option, list, rows);
        QVERIFY(menu);
        QStringList items;
        for (QAction* a : menu->actions()) items << a->text();
        QCOMPARE(items.contains("Show only this"), shown);
        QCOMPARE(items.indexOf("Hide this") < items.indexOf("Copy"), true);
        if (!shown) return;
        for (const char* name : {"mnuListShowOnly", "mnuListHide"}) QCOMPARE(f.Action(name)->isEnabled(), enabled);
        menu->hide();
    }

    // A value the filter refuses gets the usual message, and no run starts.
    void refusedValueSaysSo() {
        WindowFixture f(TwoSites);
        f.Run({f.WriteLog("access.log", Log() + Line("1.0.0.9", "/odd", 999, "-", Linux, 8))});
        QMenu* menu = OpenMenu(f, "errors", "", "lstErrors", {"999"});
        QVERIFY(menu);
        f.Action("mnuListShowOnly")->trigger();
        menu->hide();
        f.win->WaitForWork();
        QCOMPARE(f.prompter.Count("Message"), 1);
        QVERIFY2(f.prompter.Last().Text.startsWith("Status filter: not a status code"), qPrintable(f.prompter.Last().Text));
        QCOMPARE(f.A().Tables.EntryCount, 8u);
        QVERIFY(f.A().Lists.State.OutOfDate);
    }

    // Each site shows the filters its last run started with, after a restart too; the value
    // used stays in the filter's drop-down.
    void filtersKeptPerSite() {
        WindowFixture f(TwoSites);
        const QString log = f.WriteLog("access.log", Log());
        SetValueFilter(f, "Status", 0, "404");
        f.Run({log});
        QCOMPARE(f.A().Tables.EntryCount, 2u);
        SetValueFilter(f, "Address", 1, "10.0.0.0/8");   // set, never run: not in force
        auto status = [&] { return f.Find<QCheckBox>("chkFilterStatus"); };
        auto statusText = [&] { return f.Find<QComboBox>("cboFilterStatus")->currentText(); };

        SelectSite(f, 1);
        QVERIFY(!status()->isChecked());
        QVERIFY(!f.Find<QCheckBox>("chkFilterAddress")->isChecked());
        QVERIFY(f.A().Lists.State.OutOfDate);   // the report shown was made with other filters
        SelectSite(f, 0);
        QVERIFY(status()->isChecked());
        QCOMPARE(statusText(), QString("404"));
        QVERIFY(!f.Find<QCheckBox>("chkFilterAddress")->isChecked());

        f.Restart();
        QVERIFY(status()->isChecked());
        QCOMPARE(statusText(), QString("404"));
        QCOMPARE(f.Find<QComboBox>("cboFilterStatus")->itemText(0), QString("404"));
        SelectSite(f, 1);
        QVERIFY(!status()->isChecked());
        QCOMPARE(statusText(), QString());
        QCOMPARE(f.Find<QComboBox>("cboFilterStatus")->count(), 1);   // the recent value, offered

        // Deleting the site takes its filters along: Blog, now first, has none.
        SelectSite(f, 0);
        QVERIFY(status()->isChecked());
        f.prompter.AnswerYesNo(true);
        f.win->SiteToolbarClick("delete");
        QVERIFY(!status()->isChecked());
        f.Restart();
        QCOMPARE(f.Find<QTreeWidget>("lstSites")->topLevelItemCount(), 1);
        QVERIFY(!status()->isChecked());
        QCOMPARE(f.store->GetSetting("Profile2", "NumFilters", "none"), std::string("none"));
    }
};

QTEST_MAIN(RowFilterTest)
#include "RowFilterTest.moc"
