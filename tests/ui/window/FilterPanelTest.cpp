// The filter panel's status, address, referrer, agent, country and request-kind filters, as
// the user sets them before a run.
#include "WindowFixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

void SetFilter(WindowFixture& f, const QString& name, int op, const QString& value) {
    f.Find<QCheckBox>("chkFilter" + name)->click();
    auto* combo = f.Find<QComboBox>("cboFilter" + name + "Op");
    combo->setCurrentIndex(op);
    emit combo->activated(op);
    QVERIFY(f.Find<QComboBox>("cboFilter" + name)->isEnabled());
    f.Find<QComboBox>("cboFilter" + name)->setEditText(value);
}
} // namespace

class FilterPanelTest : public QObject {
    Q_OBJECT
private slots:
    void badValueNamesTheFilterAndNoRunStarts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("status class") << "Status" << "6xx" << "Status filter: not a status code";
        QTest::newRow("address range") << "Address" << "300.1.2.3/40" << "Client address filter: not an address";
        QTest::newRow("country") << "Country" << "zz" << "Country filter: ";
    }
    void badValueNamesTheFilterAndNoRunStarts() {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, message);
        WindowFixture f(OneSite);
        f.win->AddLogFiles({f.WriteLog("a.log", 20)});
        SetFilter(f, name, 0, value);
        f.Click("report");
        f.win->WaitForWork();
        QCOMPARE(f.prompter.Count("Message"), 1);
        QVERIFY2(f.prompter.Last().Text.startsWith(message), qPrintable(f.prompter.Last().Text));
        QVERIFY(f.prompter.Last().Text.contains(value));
        QVERIFY(!f.A().Lists.State.Shown);
        QVERIFY(f.Find<QWidget>("frameFilter")->isVisible() || f.win->Pane().Highlighted() == "filter");
    }

    void filtersReachTheRunAndTheSummaryAndAreRemembered() {
        WindowFixture f(OneSite);
        QString log;
        for (int i = 0; i < 12; ++i) log += LogLine(i, 10, "/p.html", i % 3 == 0 ? 404 : 200, i % 2 ? "http://a.org/" : "-");
        f.win->AddLogFiles({f.WriteLog("a.log", log)});
        SetFilter(f, "Status", 1, "4xx");           // 8 of 12 left
        SetFilter(f, "Address", 0, "10.1.0.0/29");  // visitors 0..7: 1, 2, 4, 5, 7
        SetFilter(f, "Referrer", 0, "a.org");        // odd: 1, 5, 7
        SetFilter(f, "Agent", 1, "bot");
        SetFilter(f, "Country", 1, "FR");             // private addresses are of no country
        auto* only = f.Find<QComboBox>("cboFilterOnly");
        only->setCurrentIndex(1);
        emit only->activated(1);
        f.Run({});
        QCOMPARE(f.prompter.Count("Message"), 0);
        QCOMPARE(f.A().Tables.EntryCount, 3u);
        const QString summary = f.win->findChild<QPlainTextEdit*>("txtHits")->toPlainText();
        QVERIFY2(summary.contains("Filters: status is not 4xx; address is 10.1.0.0/29; referrer contains \"a.org\"; "
                                  "user agent doesn't contain \"bot\"; country is not fr; people only"),
                 qPrintable(summary));
        // The value used stays in the drop-down for the next run.
        auto* status = f.Find<QComboBox>("cboFilterStatus");
        QCOMPARE(status->count(), 1);
        QCOMPARE(status->itemText(0), QString("4xx"));

        f.Find<QPushButton>("butClearFilters")->click();
        for (const char* name : {"Status", "Address", "Referrer", "Agent", "Country"}) {
            QVERIFY(!f.Find<QCheckBox>(QString("chkFilter") + name)->isChecked());
            QVERIFY(!f.Find<QComboBox>(QString("cboFilter") + name)->isEnabled());
        }
        QCOMPARE(only->currentIndex(), 0);
        f.Click("update");
        f.win->WaitForWork();
        QCOMPARE(f.A().Tables.EntryCount, 12u);
        QVERIFY(!f.win->findChild<QPlainTextEdit*>("txtHits")->toPlainText().contains("Filters:"));
    }
};

QTEST_MAIN(FilterPanelTest)
#include "FilterPanelTest.moc"
