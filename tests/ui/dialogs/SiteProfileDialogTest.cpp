// The site dialog's log format through its widgets, opened from the site panel as the user
// does: the choice reaches the profile and comes back on edit, a format string the reader
// cannot use keeps the dialog open, and the preview follows the format.
#ifndef Q_MOC_RUN
#include "ui/support/SmallRun.h"
#endif
#include "config/SiteProfiles.h"
#include "dialogs/SiteProfileDialog.h"
#include "engine/formats/FormatChoice.h"
#include "panels/SitesPanel.h"
#include "ui/support/ScriptedPrompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace trevix;
using namespace trevix::ui;

namespace {

template <typename T> T* Child(QWidget* w, const QString& name) {
    T* child = w->findChild<T*>(name);
    if (!child) qFatal("no control %s", qPrintable(name));
    return child;
}

// Runs fn on the site dialog once it is shown modally; a dialog fn leaves open is cancelled.
void OnDialog(std::function<void(SiteProfileDialog&)> fn) {
    QTimer::singleShot(0, [fn] {
        auto* d = qobject_cast<SiteProfileDialog*>(QApplication::activeModalWidget());
        if (!d) qFatal("the site dialog is not shown");
        fn(*d);
        if (d->isVisible()) Child<QPushButton>(d, "butCancel")->click();
    });
}

void ChooseFormat(SiteProfileDialog& d, const QString& caption) {
    auto* box = Child<QComboBox>(&d, "cboLogFormat");
    const int index = box->findText(caption);
    if (index < 0) qFatal("no format %s", qPrintable(caption));
    box->setCurrentIndex(index);
}

QString Preview(SiteProfileDialog& d) { return Child<QPlainTextEdit>(&d, "lblLogPreview")->toPlainText(); }

struct Panel {
    SiteProfileList Profiles;
    SitesPanel Sites{Profiles, [] { return false; }};
};

} // namespace

class SiteProfileDialogTest : public QObject {
    Q_OBJECT
private slots:
    void formatChoiceReachesTheProfileAndComesBack() {
        Panel p;
        test::ScriptedPrompter prompter;
        QStringList captions;
        bool stringEnabledForAutomatic = true;
        OnDialog([&](SiteProfileDialog& d) {
            auto* box = Child<QComboBox>(&d, "cboLogFormat");
            for (int i = 0; i < box->count(); ++i) captions << box->itemText(i);
            stringEnabledForAutomatic = Child<QLineEdit>(&d, "txtLogFormat")->isEnabled();
            Child<QLineEdit>(&d, "txtSitename")->setText("Shop");
            ChooseFormat(d, "W3C extended (IIS)");
            Child<QCheckBox>(&d, "chkW3CLocalTime")->setChecked(true);
            Child<QPushButton>(&d, "butOK")->click();
        });
        p.Sites.Command("new");
        QCOMPARE(captions.size(), static_cast<qsizetype>(FormatNames().size()));
        QCOMPARE(captions.front(), QString("Automatic"));
        QCOMPARE(captions.back(), QString("Format string"));
        QVERIFY(!stringEnabledForAutomatic);
        QCOMPARE(p.Profiles.NumProfiles(), 1);
        QCOMPARE(p.Profiles[1].LogFormat, std::string("w3c"));
        QVERIFY(p.Profiles[1].W3cLocalTime);

        // Edit shows what was stored; a format string typed there is kept as typed.
        QString shown;
        bool checked = false;
        bool stringEnabled = false;
        OnDialog([&](SiteProfileDialog& d) {
            shown = Child<QComboBox>(&d, "cboLogFormat")->currentText();
            checked = Child<QCheckBox>(&d, "chkW3CLocalTime")->isChecked();
            ChooseFormat(d, "Format string");
            stringEnabled = Child<QLineEdit>(&d, "txtLogFormat")->isEnabled();
            QTest::keyClicks(Child<QLineEdit>(&d, "txtLogFormat"), "combined");
            Child<QCheckBox>(&d, "chkW3CLocalTime")->setChecked(false);
            Child<QPushButton>(&d, "butOK")->click();
        });
        p.Sites.Command("edit");
        QCOMPARE(shown, QString("W3C extended (IIS)"));
        QVERIFY(checked);
        QVERIFY(stringEnabled);
        // "combined" typed as a format string is the name of the format.
        QCOMPARE(p.Profiles[1].LogFormat, std::string("combined"));
        QVERIFY(!p.Profiles[1].W3cLocalTime);

        // A stored format string comes back in its box, with the box enabled.
        p.Profiles[1].LogFormat = "%h %l %u %t \"%r\" %>s %b";
        QString text;
        OnDialog([&](SiteProfileDialog& d) {
            shown = Child<QComboBox>(&d, "cboLogFormat")->currentText();
            text = Child<QLineEdit>(&d, "txtLogFormat")->text();
            stringEnabled = Child<QLineEdit>(&d, "txtLogFormat")->isEnabled();
        });
        p.Sites.Command("edit");
        QCOMPARE(shown, QString("Format string"));
        QCOMPARE(text, QString("%h %l %u %t \"%r\" %>s %b"));
        QVERIFY(stringEnabled);
        QCOMPARE(prompter.Count("Message"), 0);
    }

    // The hash's key is made when the hash is first chosen and kept from then on, so choosing
    // it again gives the site's visitors the texts they had.
    void addressSettingAndItsKeyReachTheProfile() {
        Panel p;
        test::ScriptedPrompter prompter;
        auto choose = [](SiteProfileDialog& d, const QString& caption) {
            auto* box = Child<QComboBox>(&d, "cboAnonymise");
            const int index = box->findText(caption);
            if (index < 0) qFatal("no choice %s", qPrintable(caption));
            box->setCurrentIndex(index);
        };
        QStringList captions;
        OnDialog([&](SiteProfileDialog& d) {
            auto* box = Child<QComboBox>(&d, "cboAnonymise");
            for (int i = 0; i < box->count(); ++i) captions << box->itemText(i);
            Child<QLineEdit>(&d, "txtSitename")->setText("Shop");
            Child<QPushButton>(&d, "butOK")->click();
        });
        p.Sites.Command("new");
        QCOMPARE(captions, (QStringList{"Keep as logged", "Truncate (network only)", "Replace by a keyed hash"}));
        QCOMPARE(p.Profiles[1].Anonymise, std::string("none"));
        QVERIFY(p.Profiles[1].AnonymiseKey.empty());

        struct Step {
            const char* Choice;
            const char* Mode;
        };
        const Step steps[] = {{"Replace by a keyed hash", "hash"},
                              {"Keep as logged", "none"},
                              {"Truncate (network only)", "truncate"},
                              {"Replace by a keyed hash", "hash"}};
        std::string key;
        QString shown = "Keep as logged";
        for (const Step& step : steps) {
            QString before;
            OnDialog([&](SiteProfileDialog& d) {
                before = Child<QComboBox>(&d, "cboAnonymise")->currentText();
                choose(d, step.Choice);
                Child<QPushButton>(&d, "butOK")->click();
            });
            p.Sites.Command("edit");
            QCOMPARE(before, shown);
            shown = step.Choice;
            QCOMPARE(p.Profiles[1].Anonymise, std::string(step.Mode));
            if (key.empty()) key = p.Profiles[1].AnonymiseKey;
            QCOMPARE(key.size(), size_t{64});
            QCOMPARE(p.Profiles[1].AnonymiseKey, key);
        }
        QCOMPARE(prompter.Count("Message"), 0);
    }

    void unusableFormatStringKeepsTheDialogOpen_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("no status field") << R"(%h %l %u %t "%r" %b)" << "The format string cannot be used: ";
        QTest::newRow("nothing typed") << "   " << "Type the format string";
    }
    void unusableFormatStringKeepsTheDialogOpen() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Panel p;
        NewProfile(p.Profiles, "Shop", {"example.com"}, false, "combined", false);
        p.Sites.Fill();
        test::ScriptedPrompter prompter;
        bool openAfterOk = false;
        QString preview;
        OnDialog([&](SiteProfileDialog& d) {
            ChooseFormat(d, "Format string");
            QTest::keyClicks(Child<QLineEdit>(&d, "txtLogFormat"), typed);
            preview = Preview(d);
            Child<QPushButton>(&d, "butOK")->click();
            openAfterOk = d.isVisible();
        });
        p.Sites.Command("edit");
        QVERIFY(openAfterOk);
        QCOMPARE(prompter.Count("Message"), 1);
        QCOMPARE(prompter.Last().Icon, MessageIcon::Warning);
        QVERIFY2(prompter.Last().Text.startsWith(message), qPrintable(prompter.Last().Text));
        // The preview says the same before OK is pressed.
        QVERIFY2(preview.startsWith(message), qPrintable(preview));
        QCOMPARE(p.Profiles[1].LogFormat, std::string("combined"));
    }

    void previewFollowsTheFormat() {
        trevix::testing::TempDir dir;
        const std::string log = dir.Write(
            "access.log", "1.2.3.4 - - [10/Oct/2000:13:55:36 -0700] \"GET /a.html HTTP/1.0\" 200 2326 "
                          "\"http://www.example.com/start.html\" \"Mozilla/4.08 [en] (Win98; I ;Nav)\"\n");
        test::ScriptedPrompter prompter;
        {
            // The picture shows an IIS log detected and its first line read.
            const std::string iis = dir.Write(
                "u_ex261102.log",
                "#Software: Microsoft Internet Information Services 10.0\n#Version: 1.0\n"
                "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip cs(User-Agent) "
                "cs(Referer) sc-status sc-substatus sc-win32-status sc-bytes time-taken\n"
                "2026-11-02 08:15:02 10.0.0.5 GET /shop/item.php item=103 443 - 203.0.113.9 "
                "Mozilla/5.0+(Windows+NT+10.0;+Win64;+x64)+Gecko/20100101+Firefox/133.0 "
                "https://www.example.com/shop/ 200 0 0 19870 15\n");
            SiteProfileDialog shown(false);
            shown.SetFields("Example shop", {"example.com", "www.example.com"}, false, "auto", false);
            shown.show();
            shown.PreviewFile(QString::fromStdString(iis));
            QVERIFY2(Preview(shown).contains("Client: 203.0.113.9"), qPrintable(Preview(shown)));
            test::SaveShot(&shown, "site-dialog");
        }
        SiteProfileDialog d(true);
        d.show();
        QVERIFY2(Preview(d).startsWith("Choose a log file"), qPrintable(Preview(d)));
        prompter.AnswerFiles({QString::fromStdString(log)});
        Child<QPushButton>(&d, "cmdTryLogFormat")->click();
        QCOMPARE(prompter.Last().Kind, QString("OpenFile"));
        const QString automatic = Preview(d);

        // A format string that cannot be used is said at once, and the file's preview is back
        // when the format changes again.
        ChooseFormat(d, "Format string");
        QTest::keyClicks(Child<QLineEdit>(&d, "txtLogFormat"), "%h %t");
        QVERIFY2(Preview(d).startsWith("The format string cannot be used: "), qPrintable(Preview(d)));
        ChooseFormat(d, "Automatic");
        QCOMPARE(Preview(d), automatic);
        // Cancelling the file picker keeps the file.
        Child<QPushButton>(&d, "cmdTryLogFormat")->click();
        QCOMPARE(Preview(d), automatic);

        const QStringList lines = automatic.split('\n');
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines[0].startsWith("Format: "));
        QCOMPARE(lines.mid(1, 1), QStringList({"Client: 1.2.3.4"}));
        QVERIFY2(lines[2].startsWith("Time: ") && lines[2].size() > 6, qPrintable(lines[2]));
        QCOMPARE(lines.mid(3), QStringList({"Request: /a.html", "Status: 200", "Bytes: 2326",
                                            "Referrer: http://www.example.com/start.html",
                                            "User agent: Mozilla/4.08 [en] (Win98; I ;Nav)"}));
        // The same line does not read as W3C, and the preview says why.
        ChooseFormat(d, "W3C extended (IIS)");
        QVERIFY(!Preview(d).contains("Client: 1.2.3.4"));
        QVERIFY(!Preview(d).isEmpty());
    }
};

QTEST_MAIN(SiteProfileDialogTest)
#include "SiteProfileDialogTest.moc"
