// The task pane's steps as the user reaches them, and the site panel with its dialog.
#include "WindowFixture.h"
#include "dialogs/SiteProfileDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

using namespace trevix;
using namespace trevix::ui;
using namespace trevix::ui::test;

namespace {
const char* OneSite = "[Profiles]\nNumProfiles=1\n[Profile1]\nSiteName=Shop\nNumDomains=1\nDomain1=example.com\n";

// Runs fn on the site dialog as soon as it is shown modally.
void OnDialog(std::function<void(SiteProfileDialog&)> fn) {
    QTimer::singleShot(0, [fn] {
        auto* d = qobject_cast<SiteProfileDialog*>(QApplication::activeModalWidget());
        QVERIFY(d);
        fn(*d);
    });
}
} // namespace

class WizardTest : public QObject {
    Q_OBJECT
private slots:
    void stepsAppearAsTheyAreReached() {
        WindowFixture f;
        // Level 1: only a site can be chosen.
        QCOMPARE(f.Items("setup"), QStringList({"sites"}));
        QCOMPARE(f.Items("rep"), QStringList({"repinfo"}));
        QCOMPARE(f.win->Pane().Highlighted(), QString("sites"));
        QVERIFY(!f.Action("mnuFileSave")->isEnabled());
        QVERIFY(!f.Action("mnuFileCompare")->isEnabled());

        // A new site raises it to level 2.
        OnDialog([](SiteProfileDialog& d) {
            d.findChild<QLineEdit*>("txtSitename")->setText("Shop");
            d.AddDomain();
            QTest::keyClicks(d.findChild<QLineEdit*>("txtDomain"), "example.com");
            d.findChild<QPushButton*>("butOK")->click();
        });
        f.win->SiteToolbarClick("new");
        QCOMPARE(f.win->Profiles().NumProfiles(), 1);
        QCOMPARE(f.win->Profiles()[1].Domains, std::vector<std::string>{"example.com"});
        QCOMPARE(f.Find<QTreeWidget>("lstSites")->topLevelItem(0)->text(1), QString("example.com"));
        QCOMPARE(f.Items("setup"), QStringList({"sites", "logfiles", "filter"}));

        // Log files raise it to level 3; nothing is shown yet, so there is no "Update".
        f.win->AddLogFiles({f.WriteLog("a.log", 20)});
        QCOMPARE(f.Items("setup"), QStringList({"sites", "logfiles", "filter", "reset"}));
        QCOMPARE(f.Items("rep"), QStringList({"report"}));

        f.Click("report");
        f.win->WaitForWork();
        QVERIFY(f.A().Lists.State.Shown);
        QCOMPARE(f.Items("rep"), QStringList({"report"}));
        QVERIFY(f.Action("mnuFileSave")->isEnabled());
        QVERIFY(f.win->findChild<QPlainTextEdit*>("txtHits")->toPlainText().startsWith("Loaded 1 log file"));

        // Any input change after a shown report offers "Update"; running it removes it.
        f.Find<QCheckBox>("chkFilterFile")->click();
        QCOMPARE(f.Items("rep"), QStringList({"report", "update"}));
        f.Click("update");
        f.win->WaitForWork();
        QCOMPARE(f.Items("rep"), QStringList({"report"}));
        QCOMPARE(f.win->Status(), QString("Report updated."));

        // Reset goes back to the first step and forgets the files and filters.
        f.Click("reset");
        QCOMPARE(f.Items("setup"), QStringList({"sites", "logfiles", "filter"}));
        QCOMPARE(f.Items("rep"), QStringList({"repinfo"}));
        QVERIFY(f.win->LogFiles().isEmpty());
        QVERIFY(!f.Find<QCheckBox>("chkFilterFile")->isChecked());
        QVERIFY(!f.A().Lists.State.Shown);
    }

    void inputChangesMarkTheReportOutOfDate_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("file added") << "add";
        QTest::newRow("file removed") << "remove";
        QTest::newRow("filter box ticked") << "check";
        QTest::newRow("equal/between chosen") << "between";
    }
    void inputChangesMarkTheReportOutOfDate() {
        QFETCH(QString, change);
        WindowFixture f(OneSite);
        f.Run({f.WriteLog("a.log", 20), f.WriteLog("b.log", 10, 11)});
        QVERIFY(!f.A().Lists.State.OutOfDate);
        QVERIFY(!f.win->Pane().HasItem("update"));
        if (change == "add") {
            f.Find<QComboBox>("lstRecentFiles")->setEditText(f.Path("a.log"));
            f.Find<QPushButton>("butAdd")->click();
            QCOMPARE(f.win->LogFiles().size(), 3);
        } else if (change == "remove") {
            auto* list = f.Find<QListWidget>("lstLogFiles");
            list->setCurrentRow(1);
            f.Find<QAbstractButton>("Toolbar2_delete")->click();
            QCOMPARE(f.win->LogFiles(), QStringList({f.Path("a.log")}));
        } else if (change == "check") {
            f.Find<QCheckBox>("chkFilterLogText")->click();
        } else {
            f.Find<QCheckBox>("chkFilterDate")->click();
            f.A().Lists.State.OutOfDate = false;
            f.win->ShowUpdate(false);
            auto* combo = f.Find<QComboBox>("lstEqualBetween");
            combo->setCurrentIndex(1);
            emit combo->activated(1);
        }
        QVERIFY(f.A().Lists.State.OutOfDate);
        QVERIFY(f.win->Pane().HasItem("update"));
    }

    void startsWithFirstSiteSelectedAndRecentFilesOffered() {
        WindowFixture f(QString(OneSite) + "[Recent]\nFile1=/var/log/one.log\nFile2=/var/log/two.log\n");
        QCOMPARE(f.Items("setup"), QStringList({"sites", "logfiles", "filter"}));
        QCOMPARE(f.win->windowTitle(), QString("Trevix Pro - Shop"));
        QVERIFY(f.Find<QPushButton>("butRight0")->isEnabled());
        auto* recent = f.Find<QComboBox>("lstRecentFiles");
        QCOMPARE(recent->count(), 2);
        QCOMPARE(recent->currentText(), QString("/var/log/one.log"));
    }

    void siteDialogCancelAndCloseBoxChangeNothing_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel button") << "cancel";
        QTest::newRow("close box") << "close";
        QTest::newRow("Esc") << "esc";
    }
    void siteDialogCancelAndCloseBoxChangeNothing() {
        QFETCH(QString, how);
        for (const QString command : {"new", "edit"}) {
            WindowFixture f(OneSite);
            OnDialog([how](SiteProfileDialog& d) {
                d.findChild<QLineEdit*>("txtSitename")->setText("Changed");
                d.AddDomain();
                if (how == "cancel") d.findChild<QPushButton*>("butCancel")->click();
                if (how == "close") d.close();
                if (how == "esc") QTest::keyClick(&d, Qt::Key_Escape);
            });
            f.win->SiteToolbarClick(command);
            QCOMPARE(f.win->Profiles().NumProfiles(), 1);
            QCOMPARE(f.win->Profiles()[1].SiteName, std::string("Shop"));
            QCOMPARE(f.win->Profiles()[1].Domains.size(), size_t(1));
            QCOMPARE(f.Find<QTreeWidget>("lstSites")->topLevelItemCount(), 1);
        }
    }

    void editShowsTheProfileAndKeepsItsFtpAccounts() {
        WindowFixture f(QString(OneSite) + "NumberFTP=1\nServer1=ftp.example.com\n");
        OnDialog([](SiteProfileDialog& d) {
            QCOMPARE(d.windowTitle(), QString("Edit Site"));
            QCOMPARE(d.SiteName(), std::string("Shop"));
            d.AddDomain();
            QTest::keyClicks(d.findChild<QLineEdit*>("txtDomain"), "b.org");
            d.findChild<QPushButton*>("butOK")->click();
        });
        QTest::keyClick(f.Find<QTreeWidget>("lstSites"), Qt::Key_Return);
        QCOMPARE(f.win->Profiles()[1].Domains, (std::vector<std::string>{"example.com", "b.org"}));
        QCOMPARE(f.win->Profiles()[1].NumberFTP(), 1);
        QCOMPARE(f.Find<QTreeWidget>("lstSites")->topLevelItem(0)->text(1), QString("example.com, b.org"));
    }

    void deletingAsksAndTheLastProfileDisablesTheButtons() {
        WindowFixture f(OneSite);
        auto* sites = f.Find<QTreeWidget>("lstSites");
        // No: nothing changes.
        QTest::keyClick(sites, Qt::Key_Delete);
        QCOMPARE(f.prompter.Last().Text, QString("Are you sure you want to delete this site profile?"));
        QCOMPARE(f.prompter.Last().Icon, MessageIcon::Question);
        QCOMPARE(f.win->Profiles().NumProfiles(), 1);
        // Yes: the only profile goes, and with it what needs one.
        f.prompter.AnswerYesNo(true);
        f.Find<QAbstractButton>("Toolbar1_delete")->click();
        QCOMPARE(f.win->Profiles().NumProfiles(), 0);
        QCOMPARE(sites->topLevelItemCount(), 0);
        QVERIFY(!f.Find<QAbstractButton>("Toolbar1_edit")->isEnabled());
        QVERIFY(!f.Find<QAbstractButton>("Toolbar1_delete")->isEnabled());
        QVERIFY(!f.Find<QPushButton>("butRight0")->isEnabled());
        QCOMPARE(f.win->windowTitle(), QString("Trevix Pro"));
        // With nothing selected, neither edit nor delete asks anything.
        const size_t asked = f.prompter.Asked.size();
        f.win->SiteToolbarClick("delete");
        f.win->SiteToolbarClick("edit");
        QCOMPARE(f.prompter.Asked.size(), asked);
        // The exit save keeps the list empty.
        f.Restart();
        QCOMPARE(f.win->Profiles().NumProfiles(), 0);
    }

    void renamingInPlaceChangesTheStoredName() {
        WindowFixture f(OneSite);
        auto* sites = f.Find<QTreeWidget>("lstSites");
        sites->topLevelItem(0)->setText(0, "Renamed shop");
        QCOMPARE(f.win->Profiles()[1].SiteName, std::string("Renamed shop"));
        QCOMPARE(f.win->windowTitle(), QString("Trevix Pro - Renamed shop"));
        f.Restart();
        QCOMPARE(f.win->Profiles()[1].SiteName, std::string("Renamed shop"));
    }

    void helpTextCarriesTheCountryNote_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("note");
        QTest::newRow("countries on") << "AnalyseCountries=Yes\n" << "Country Report is ON.";
        QTest::newRow("countries off") << "AnalyseCountries=No\n" << "Country Report is OFF.";
        QTest::newRow("no note") << "CountryInfo=No\nAnalyseCountries=Yes\n" << "";
    }
    void helpTextCarriesTheCountryNote() {
        QFETCH(QString, options);
        QFETCH(QString, note);
        WindowFixture f("[Options]\nAutoReport=No\n" + options);
        const QString help = f.win->Pane().HelpText();
        QVERIFY(help.startsWith("Select a site profile from the list"));
        if (note.isEmpty())
            QVERIFY(!help.contains("Country Report"));
        else
            QVERIFY(help.contains("\n\n" + note));
        // With the country report off, no country data is read.
        QCOMPARE(f.A().Reference.CountriesLoaded, !options.contains("AnalyseCountries=No"));
        // Changed options: the note follows at once, the text stays.
        f.win->TaskClick("filter");
        f.A().Options.CountryInfo = true;
        f.A().Options.AnalyseCountries = !f.A().Options.AnalyseCountries;
        f.win->OptionsChanged(false);
        QVERIFY(f.win->Pane().HelpText().startsWith("You can restrict the log file entries"));
        QVERIFY(f.win->Pane().HelpText().endsWith(f.A().Options.AnalyseCountries ? "for faster processing."
                                                                               : "Country Report is OFF."));
    }
};

QTEST_MAIN(WizardTest)
#include "WizardTest.moc"
