// The options dialog through its widgets, questions answered by the scripted prompter:
// validation of the two numbers, the two editable lists and what reaches the store, the
// folder pickers, and what happens after OK (recent lists, options stored, report out of date).
#ifndef Q_MOC_RUN
#include "ui/support/SmallRun.h"
#endif
#include "config/MemorySettingsStore.h"
#include "config/RecentLists.h"
#include "config/ReferenceDataLoader.h"
#include "dialogs/OptionsDialog.h"
#include "engine/Analyser.h"
#include "ui/support/ScriptedPrompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace trevix;
using namespace trevix::ui;

namespace {

struct Setup {
    Analyser A;
    MemorySettingsStore Store;
    RecentLists Recent;
    Setup() {
        A.Reference.GraphicExtensions = {"", "gif", "jpg"};
        A.Reference.SessionIDPrefixes = {"", "sid=", "PHPSESSID="};
        Recent.RecentFiles = {"", "a.log", "b.log", "c.log"};
        Recent.RecentFilters = {"", "x"};
        Recent.RecentFilterFiles = {"", ""};
        A.Options.MaxRecentFiles = 3;
    }
};

QStringList Rows(QTreeWidget* list) {
    QStringList rows;
    for (int r = 0; r < list->topLevelItemCount(); ++r) rows << list->topLevelItem(r)->text(0);
    return rows;
}

template <typename T> T* Child(QWidget* w, const QString& name) {
    T* child = w->findChild<T*>(name);
    if (!child) qFatal("no control %s", qPrintable(name));
    return child;
}

void Click(QWidget* w, const QString& button) { Child<QPushButton>(w, button)->click(); }

} // namespace

class OptionsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void refusesBadNumbersAndStaysOpen_data() {
        QTest::addColumn<QString>("files");
        QTest::addColumn<QString>("filters");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("letters for files") << "abc" << "10" << "Maximum number of files must be a number." << "txtMaxFiles";
        QTest::newRow("empty files box") << "" << "10" << "Maximum number of files must be a number." << "txtMaxFiles";
        QTest::newRow("negative files") << "-1" << "10" << "Cannot set maximum number of files to less than 0." << "txtMaxFiles";
        QTest::newRow("files are checked first") << "x1" << "-3" << "Maximum number of files must be a number." << "txtMaxFiles";
        QTest::newRow("letters for filters") << "5" << "ten" << "Maximum number of filters must be a number." << "txtMaxFilters";
        QTest::newRow("negative filters") << "5" << "-3" << "Cannot set maximum number of filters to less than 0." << "txtMaxFilters";
    }
    void refusesBadNumbersAndStaysOpen() {
        QFETCH(QString, files);
        QFETCH(QString, filters);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        Setup s;
        test::ScriptedPrompter prompter;
        OptionsDialog dialog(s.A, s.Store);
        dialog.show();
        Child<QLineEdit>(&dialog, "txtMaxFiles")->setText(files);
        Child<QLineEdit>(&dialog, "txtMaxFilters")->setText(filters);
        Click(&dialog, "butOK");
        QCOMPARE(prompter.Count("Message"), 1);
        QCOMPARE(prompter.Last().Text, message);
        QCOMPARE(prompter.Last().Icon, MessageIcon::Warning);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.Cancelled());
        QCOMPARE(dialog.focusWidget()->objectName(), focus);
        QVERIFY(s.Store.Journal().empty());   // nothing stored, not even the lists
    }

    void acceptedNumbersAndTheRecentLists_data() {
        QTest::addColumn<QString>("files");
        QTest::addColumn<int>("maxFiles");
        QTest::addColumn<QStringList>("recentFiles");
        QTest::newRow("zero empties the list") << "0" << 0 << QStringList{};
        QTest::newRow("blanks around, fewer entries") << " 2 " << 2 << QStringList{"a.log", "b.log"};
        QTest::newRow("above the 16-bit range is clamped") << "40000" << 32767 << QStringList{"a.log", "b.log", "c.log"};
        QTest::newRow("up-down below zero stays at zero") << "down:0" << 0 << QStringList{};
        QTest::newRow("up-down steps from the typed number") << "up:1" << 2 << QStringList{"a.log", "b.log"};
        QTest::newRow("Up key steps too") << "key:1" << 2 << QStringList{"a.log", "b.log"};
    }
    void acceptedNumbersAndTheRecentLists() {
        QFETCH(QString, files);
        QFETCH(int, maxFiles);
        QFETCH(QStringList, recentFiles);
        Setup s;
        for (int i = 1; i <= 3; ++i) s.Store.SaveSetting("Recent", "File" + std::to_string(i), s.Recent.RecentFiles[i]);
        test::ScriptedPrompter prompter;
        OptionsDialog dialog(s.A, s.Store);
        dialog.show();
        auto* box = Child<QLineEdit>(&dialog, "txtMaxFiles");
        box->setText(files.section(':', -1));
        if (files.startsWith("up:") || files.startsWith("down:"))
            Child<QWidget>(&dialog, "udMaxFiles")->findChild<QToolButton*>(files.section(':', 0, 0))->click();
        if (files.startsWith("key:")) QTest::keyClick(box, Qt::Key_Up);
        Click(&dialog, "butOK");
        QCOMPARE(prompter.Count("Message"), 0);
        QVERIFY(!dialog.isVisible());
        OptionsOutcome out;
        FinishOptions(s.A, s.Store, s.Recent, dialog, out, {});
        QVERIFY(out.Confirmed && out.RefreshHelpText && out.RefreshRawLog);
        QCOMPARE(int(s.A.Options.MaxRecentFiles), maxFiles);
        QStringList shown;
        for (const std::string& f : ShownEntries(s.Recent.RecentFiles)) shown << QString::fromStdString(f);
        QCOMPARE(shown, recentFiles);
        QCOMPARE(s.Store.HasSetting("Recent", "File1"), maxFiles >= 1);
        QCOMPARE(s.Store.HasSetting("Recent", "File3"), maxFiles >= 3);
        QCOMPARE(QString::fromStdString(s.Store.GetSetting("Options", "MaxRecentFiles")).trimmed().toInt(), maxFiles);
    }

    void editableListsReachTheStoreOnlyOnOk_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("ok");
        QTest::newRow("file extensions, OK") << 2 << true;
        QTest::newRow("file extensions, Cancel") << 2 << false;
        QTest::newRow("session IDs, OK") << 3 << true;
        QTest::newRow("session IDs, Cancel") << 3 << false;
    }
    void editableListsReachTheStoreOnlyOnOk() {
        QFETCH(int, item);
        QFETCH(bool, ok);
        Setup s;
        SaveGraphicExtensions(s.Store, s.A.Reference);
        SaveSessionIDPrefixes(s.Store, s.A.Reference);
        const auto before = std::make_pair(s.A.Reference.GraphicExtensions, s.A.Reference.SessionIDPrefixes);
        s.Store.ClearJournal();

        test::ScriptedPrompter prompter;
        OptionsDialog dialog(s.A, s.Store);
        dialog.show();
        auto* list = Child<QTreeWidget>(&dialog, item == 2 ? "lstGraphics" : "lstSessionID");
        const QString n = QString::number(item);
        prompter.AnswerText(QString("new"));
        Click(&dialog, "butAdd" + n);
        prompter.AnswerText(QString("new"));   // duplicates are allowed
        Click(&dialog, "butAdd" + n);
        prompter.AnswerText(QString());        // an empty answer adds nothing
        Click(&dialog, "butAdd" + n);
        list->setCurrentItem(list->topLevelItem(0));
        prompter.AnswerText(QString("edited"));
        Click(&dialog, "butEdit" + n);
        list->setCurrentItem(list->topLevelItem(1));
        prompter.AnswerText(std::nullopt);     // Cancel in the input box changes nothing
        Click(&dialog, "butEdit" + n);
        Click(&dialog, "butRemove" + n);       // removes the selected second row, without asking
        const QStringList expected = {"edited", "new", "new"};
        QCOMPARE(Rows(list), expected);

        const bool graphics = item == 2;
        QCOMPARE(prompter.Asked[0].Title, graphics ? QString("Add Graphic File Extension") : QString("Add Session ID Prefix"));
        QCOMPARE(prompter.Asked[0].Text, graphics ? QString("Please enter the file extension to add:")
                                                  : QString("Please enter the session ID prefix to add:"));
        QCOMPARE(prompter.Asked[3].Title, graphics ? QString("Edit File Extension") : QString("Edit Session ID Prefix"));
        QCOMPARE(prompter.Asked[3].Text, graphics ? QString("Please enter the file extension:")
                                                  : QString("Please enter the session ID prefix:"));
        QCOMPARE(prompter.Count("Text"), 5);

        Click(&dialog, ok ? "butOK" : "butCancel");
        QCOMPARE(dialog.Cancelled(), !ok);
        ReferenceData stored;
        trevix::NullHost host;
        LoadGraphicExtensions(s.Store, stored, host, "/nonexistent");
        LoadSessionIDPrefixes(s.Store, stored, host, "/nonexistent");
        std::vector<std::string> changed = {"", "edited", "new", "new"};
        const auto& storedList = graphics ? stored.GraphicExtensions : stored.SessionIDPrefixes;
        const auto& memoryList = graphics ? s.A.Reference.GraphicExtensions : s.A.Reference.SessionIDPrefixes;
        const auto& original = graphics ? before.first : before.second;
        QCOMPARE(storedList, ok ? changed : original);
        QCOMPARE(memoryList, ok ? changed : original);
        QCOMPARE(s.Store.GetSetting(graphics ? "Graphics" : "SessionID", graphics ? "NumGraphics" : "NumSessionID").find('3') !=
                     std::string::npos, ok);
    }

    void loadDefaultsSurvivesCancelInMemoryOnly() {
        Setup s;
        SaveGraphicExtensions(s.Store, s.A.Reference);
        SaveSessionIDPrefixes(s.Store, s.A.Reference);
        s.Store.ClearJournal();
        test::ScriptedPrompter prompter;
        OptionsDialog dialog(s.A, s.Store);
        dialog.SetDataFolder(TREVIX_SOURCE_DIR "/data");
        dialog.show();
        prompter.AnswerYesNo(false);
        Click(&dialog, "butLoadDefaults2");   // No: nothing changes
        QCOMPARE(s.A.Reference.GraphicExtensions.size(), size_t(3));
        QCOMPARE(prompter.Asked[0].Title, QString("Load Default File Extensions List"));
        prompter.AnswerYesNo(true);
        Click(&dialog, "butLoadDefaults2");
        prompter.AnswerYesNo(true);
        Click(&dialog, "butLoadDefaults3");
        QCOMPARE(prompter.Asked[0].Text, QString("Do you want to discard this File Extensions list and load the Trevix defaults?"));
        QCOMPARE(prompter.Asked[2].Title, QString("Load Default Session ID Prefix List"));
        for (const test::AskedQuestion& q : prompter.Asked) QCOMPARE(q.DefaultButton, QString("No"));   // Enter discards nothing
        QVERIFY(Rows(Child<QTreeWidget>(&dialog, "lstGraphics")).contains("webp"));
        Click(&dialog, "butCancel");
        QVERIFY(s.A.Reference.GraphicExtensions.size() > 20);     // in use at once
        QVERIFY(s.A.Reference.SessionIDPrefixes.size() > 5);
        QVERIFY(s.Store.Journal().empty());                  // but never stored
    }

    void afterOkTheReportIsOutOfDateOnlyWhenItLacksSomething_data() {
        QTest::addColumn<bool>("countriesBefore");
        QTest::addColumn<bool>("rawLogBefore");
        QTest::addColumn<bool>("countriesAfter");
        QTest::addColumn<bool>("rawLogAfter");
        QTest::addColumn<bool>("dataLoaded");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("outOfDate");
        QTest::addColumn<bool>("loaderCalled");
        QTest::newRow("country report on, data never loaded") << false << false << true << false << false << false << true << true;
        QTest::newRow("country report on, data loaded before") << false << false << true << false << true << false << true << false;
        QTest::newRow("country report off") << true << false << false << false << true << false << false << false;
        QTest::newRow("raw log on") << false << false << false << true << false << false << true << false;
        QTest::newRow("raw log off") << false << true << false << false << false << false << false << false;
        QTest::newRow("country stays on without data: loaded, report not stale") << true << false << true << false << false << false << false << true;
        QTest::newRow("both on, then Cancel") << false << false << true << true << false << true << false << false;
    }
    void afterOkTheReportIsOutOfDateOnlyWhenItLacksSomething() {
        QFETCH(bool, countriesBefore);
        QFETCH(bool, rawLogBefore);
        QFETCH(bool, countriesAfter);
        QFETCH(bool, rawLogAfter);
        QFETCH(bool, dataLoaded);
        QFETCH(bool, cancel);
        QFETCH(bool, outOfDate);
        QFETCH(bool, loaderCalled);
        Setup s;
        s.A.Options.AnalyseCountries = countriesBefore;
        s.A.Options.ShowRawLog = rawLogBefore;
        s.A.Reference.CountriesLoaded = dataLoaded;
        test::ScriptedPrompter prompter;
        OptionsDialog dialog(s.A, s.Store);
        dialog.show();
        Child<QCheckBox>(&dialog, "chkAnalyseCountries")->setChecked(countriesAfter);
        Child<QCheckBox>(&dialog, "chkShowRawLog")->setChecked(rawLogAfter);
        Click(&dialog, cancel ? "butCancel" : "butOK");
        int loads = 0;
        OptionsOutcome out;
        FinishOptions(s.A, s.Store, s.Recent, dialog, out, [&] {
            ++loads;
            s.A.Reference.CountriesLoaded = true;
            return true;
        });
        QCOMPARE(out.Confirmed, !cancel);
        QCOMPARE(out.ReportOutOfDate, outOfDate);
        QCOMPARE(s.A.Lists.State.OutOfDate, outOfDate);
        QCOMPARE(loads, loaderCalled ? 1 : 0);
        QCOMPARE(out.CountryDataLoaded, loaderCalled);
        QCOMPARE(s.A.Options.AnalyseCountries, cancel ? countriesBefore : countriesAfter);
        QCOMPARE(s.Store.HasSetting("Options", "ShowRawLog"), !cancel);
    }

    void browseButtonsAskAndFillTheirBoxes() {
        Setup s;
        s.A.Options.DefaultXMLFolder = "/reports";
        test::ScriptedPrompter prompter;
        OptionsDialog dialog(s.A, s.Store);
        dialog.show();
        auto* tabs = Child<QTabWidget>(&dialog, "TabStrip1");
        QCOMPARE(tabs->currentIndex(), 0);
        for (int t = 0; t < tabs->count(); ++t) {
            tabs->setCurrentIndex(t);
            test::SaveShot(&dialog, "options-" + tabs->widget(t)->objectName());
        }
        prompter.AnswerFolder("/data/logs");
        Click(&dialog, "butBrowse0");
        Click(&dialog, "butBrowse1");   // cancelled: the box keeps its text
        prompter.AnswerFiles({"/etc/ssl/ca.pem"});
        Click(&dialog, "butBrowseCAFile");
        QCOMPARE(Child<QLineEdit>(&dialog, "txtDefaultDownloadFolder0")->text(), QString("/data/logs"));
        QCOMPARE(Child<QLineEdit>(&dialog, "txtDefaultDownloadFolder1")->text(), QString("/reports"));
        QCOMPARE(prompter.Asked[0].Title, QString("Please select which folder Trevix should save downloaded log files to:"));
        QCOMPARE(prompter.Asked[1].Title, QString("Please select which folder Trevix should save XML report files to:"));
        Click(&dialog, "butOK");
        QCOMPARE(dialog.Chosen().DefaultDownloadFolder, std::string("/data/logs"));
        QCOMPARE(dialog.Chosen().FTPCAFile, std::string("/etc/ssl/ca.pem"));
    }

    void modalRunAppliesOkAndTreatsTheCloseBoxAsCancel() {
        Setup s;
        test::ScriptedPrompter prompter;
        // OK with a new number: stored by the run itself.
        QTimer::singleShot(0, [] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("Options"));
            Child<QLineEdit>(dialog, "txtMaxFilters")->setText("4");
            Click(dialog, "butOK");
        });
        OptionsOutcome out;
        QVERIFY(RunOptionsDialog(s.A, s.Store, s.Recent, nullptr, out));
        QCOMPARE(int(s.A.Options.MaxRecentFilters), 4);
        QCOMPARE(s.Store.GetSetting("Options", "MaxRecentFilters"), std::string(" 4"));

        s.Store.ClearJournal();
        QTimer::singleShot(0, [] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            Child<QLineEdit>(dialog, "txtMaxFilters")->setText("9");
            dialog->close();
        });
        OptionsOutcome closed;
        QVERIFY(!RunOptionsDialog(s.A, s.Store, s.Recent, nullptr, closed));
        QVERIFY(!closed.Confirmed && closed.RefreshHelpText);
        QCOMPARE(int(s.A.Options.MaxRecentFilters), 4);
        QVERIFY(s.Store.Journal().empty());
    }
};

QTEST_MAIN(OptionsDialogTest)
#include "OptionsDialogTest.moc"
