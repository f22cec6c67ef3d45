// The conversions page through its widgets: a report generated from the files page's pop-up
// command and shown again without recomputing, the three lists and their options, "&Visit URL"
// per list, and the automatic-report check box surviving a restart.
#ifndef Q_MOC_RUN
#include "ui/support/SmallRun.h"
#endif
#include "config/QtSettingsStore.h"
#include "config/SiteProfiles.h"
#include "pages/ConversionsPage.h"
#include "common/VisitUrl.h"
#include "views/ReportListView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QUrl>
#include <QtTest>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const std::string Log =
    Line("10.0.0.1", "05/Nov/2026:10:00:00", "/index.html", "100", "http://blog.test/post") +
    Line("10.0.0.1", "05/Nov/2026:10:00:01", "/buy.html", "100", "http://www.example.com/index.html") +
    Line("10.0.0.2", "05/Nov/2026:10:00:02", "/index.html", "100", "http://blog.test/post") +
    Line("10.0.0.3", "05/Nov/2026:10:00:03", "/offer.html", "100", "javascript:void(0)") +
    Line("10.0.0.3", "05/Nov/2026:10:00:04", "/buy.html", "100") +
    Line("10.0.0.4", "05/Nov/2026:10:00:05", "/index.html", "100");

int Generations(const trevix::testing::RecordingHost& host) {
    return static_cast<int>(std::count_if(host.Statuses.begin(), host.Statuses.end(), [](const std::string& s) {
        return s.starts_with("Generating Conversion Report for ");
    }));
}
} // namespace

class ConversionsPageTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        run_ = std::make_unique<SmallRun>();
        run_->Run(Log);
    }
    void cleanup() {
        SetUrlOpener({});
        run_.reset();
    }

    void popUpCommandGeneratesOnceAndShowsAgain() {
        ConversionsPage page(run_->A, nullptr);
        QSignalSpy wanted(&page, &ConversionsPage::PageWanted);
        auto* combo = page.findChild<QComboBox*>("lstConversionFile");
        auto* referrers = page.findChild<ReportListView*>("lstConversions0");
        auto* pages = page.findChild<ReportListView*>("lstConversions2");

        struct Step { QString goal; int generations; QStringList files; int current; QStringList entryPages; };
        const Step steps[] = {
            {"/buy.html", 1, {"/buy.html"}, 0, {"/index.html", "/offer.html"}},
            {"/offer.html", 2, {"/buy.html", "/offer.html"}, 1, {"/offer.html"}},
            {"/buy.html", 2, {"/buy.html", "/offer.html"}, 0, {"/index.html", "/offer.html"}},   // shown again
        };
        for (const Step& s : steps) {
            page.ShowConversionReport(s.goal);
            QCOMPARE(Generations(run_->Host), s.generations);
            QStringList files;
            for (int i = 0; i < combo->count(); ++i) files << combo->itemText(i);
            QCOMPARE(files, s.files);
            QCOMPARE(combo->currentIndex(), s.current);
            QStringList entry;
            for (int r = 0; r < pages->model()->rowCount(); ++r) entry << pages->model()->index(r, 0).data().toString();
            QCOMPARE(entry, s.entryPages);
        }
        QCOMPARE(wanted.count(), 3);
        // "/buy.html": the blog brought two visitors, one converted; "javascript:" one of one.
        QCOMPARE(referrers->model()->rowCount(), 2);
        QCOMPARE(referrers->model()->index(0, 0).data().toString(), QString("http://blog.test/post"));
        QCOMPARE(referrers->model()->index(0, 3).data().toString(), QString("50.00"));
        QVERIFY(page.findChild<QCheckBox*>("chkAutoGenerateConversionReport")->isEnabled());

        // Choosing the other file in the combo shows its report without generating it.
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QCOMPARE(run_->A.Tables.CurrentConversionReport, 2);
        QCOMPARE(Generations(run_->Host), 2);
        page.resize(900, 400);
        SaveShot(&page, "conversions-page");
    }

    void visitUrlFollowsTheChosenList() {
        QList<QUrl> opened;
        SetUrlOpener([&](const QUrl& url) { opened << url; return true; });
        ConversionsPage page(run_->A, nullptr);
        QSignalSpy status(&page, &ConversionsPage::StatusText);
        page.ShowConversionReport("/buy.html");
        auto* visit = page.findChild<QPushButton*>("butVisitURL2");
        auto* referrers = page.findChild<ReportListView*>("lstConversions0");
        auto* pages = page.findChild<ReportListView*>("lstConversions2");

        struct Case { int option; bool enabled; };
        for (Case c : {Case{2, false}, Case{1, true}, Case{0, true}}) {
            page.findChild<QRadioButton*>(QString("optConversions%1").arg(c.option))->click();
            QCOMPARE(page.ShownKind(), c.option);
            QCOMPARE(visit->isEnabled(), c.enabled);
        }
        referrers->selectRow(0);
        visit->click();
        referrers->selectRow(1);   // javascript:void(0)
        emit referrers->RowDoubleClicked(1);
        emit pages->RowDoubleClicked(0);   // entry pages: a double click does nothing
        QCOMPARE(opened, QList<QUrl>{QUrl("http://blog.test/post")});
        QCOMPARE(status.count(), 1);
    }

    void autoReportBoxSurvivesARestart() {
        trevix::testing::TempDir dir;
        const std::string file = dir.File("settings.ini");
        {
            QtSettingsStore store(file);
            SiteProfileList profiles;
            NewProfile(profiles, "Example", {"example.com"}, false);
            SaveProfiles(store, profiles);
            ConversionsPage page(run_->A, &store);
            page.SetProfiles(&profiles, [] { return 1; });
            page.ShowConversionReport("/buy.html");
            auto* box = page.findChild<QCheckBox*>("chkAutoGenerateConversionReport");
            QVERIFY(!box->isChecked());
            box->click();
            QVERIFY(box->isChecked());
            // On disk already, before the store is closed.
            QtSettingsStore other(file);
            QCOMPARE(other.GetSetting("Profile1", "AutoConversionReport1"), std::string("/buy.html"));
        }
        QtSettingsStore restarted(file);
        SiteProfileList profiles;
        LoadProfiles(restarted, profiles);
        QCOMPARE(profiles[1].AutoConversionReports, std::vector<std::string>{"/buy.html"});

        ConversionsPage page(run_->A, &restarted);
        page.SetProfiles(&profiles, [] { return 1; });
        page.ShowConversionReport("/buy.html");
        auto* box = page.findChild<QCheckBox*>("chkAutoGenerateConversionReport");
        QVERIFY(box->isChecked());
        box->click();   // unticked: removed and written at once
        QCOMPARE(restarted.GetSetting("Profile1", "NumAutoConversionReports"), std::string(" 0"));
    }

private:
    std::unique_ptr<SmallRun> run_;
};

QTEST_MAIN(ConversionsPageTest)
#include "ConversionsPageTest.moc"
