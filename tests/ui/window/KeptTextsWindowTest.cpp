// "Update" after a change of filters only: the report shows the filtered figures, and the log
// files, unchanged since "Show Report" read them, are not read again.
#include "WindowFixture.h"

#include <QComboBox>
#include <zlib.h>

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
    f.Find<QComboBox>("cboFilter" + name)->setEditText(value);
}

QString Gzip(const QString& path, const QByteArray& text) {
    gzFile gz = gzopen(path.toLocal8Bit().constData(), "wb");
    gzwrite(gz, text.constData(), static_cast<unsigned>(text.size()));
    gzclose(gz);
    return path;
}
} // namespace

class KeptTextsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void filterChangeUpdatesWithoutReadingAgain_data() {
        QTest::addColumn<bool>("gzip");
        QTest::newRow("plain") << false;
        QTest::newRow("gzip") << true;
    }
    void filterChangeUpdatesWithoutReadingAgain() {
        QFETCH(bool, gzip);
        WindowFixture f(OneSite);
        QString log;
        for (int i = 0; i < 30; ++i) log += LogLine(i, 10, "/p.html", i % 5 == 0 ? 404 : 200);
        const QString path = gzip ? Gzip(f.Path("a.log.gz"), log.toUtf8()) : f.WriteLog("a.log", log);
        f.Run({path});
        QCOMPARE(f.A().Tables.EntryCount, 30u);
        QCOMPARE(f.A().Tables.TextsReused, 0u);

        SetFilter(f, "Status", 0, "404");
        f.Click("update");
        f.win->WaitForWork();
        QCOMPARE(f.prompter.Count("Message"), 0);
        QCOMPARE(f.A().Tables.EntryCount, 6u);
        QCOMPARE(f.A().Tables.TextsReused, 1u);
        const QString summary = f.win->findChild<QPlainTextEdit*>("txtHits")->toPlainText();
        QVERIFY2(summary.contains("Total hits: 6 ") && summary.contains("Filters: status is 404"), qPrintable(summary));

        // A report loaded in between leaves nothing to take: the next run reads the file.
        const QString saved = f.Path("r.xml");
        QVERIFY(f.win->SaveReport(saved));
        f.win->LoadReport(saved, false);
        QVERIFY(f.A().Tables.FileTexts.empty());
        SetFilter(f, "Agent", 1, "bot");   // every agent here is a browser: still 6
        f.Click("update");
        f.win->WaitForWork();
        QCOMPARE(f.A().Tables.EntryCount, 6u);
        QCOMPARE(f.A().Tables.TextsReused, 0u);
    }
};

QTEST_MAIN(KeptTextsWindowTest)
#include "KeptTextsWindowTest.moc"
