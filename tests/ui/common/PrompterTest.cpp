// The scripted prompter answers in order and falls back to "cancel" when out of answers.
#include "ui/support/ScriptedPrompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace trevix;
using namespace trevix::ui;

class PrompterTest : public QObject {
    Q_OBJECT
private slots:
    void answersInOrderThenCancels() {
        test::ScriptedPrompter p;
        QCOMPARE(&CurrentPrompter(), static_cast<Prompter*>(&p));
        p.AnswerYesNo(true);
        p.AnswerFiles({"/tmp/a.log", "/tmp/b.log"});
        QVERIFY(CurrentPrompter().YesNo(nullptr, MessageIcon::Question, "T", "Q?"));
        QVERIFY(!CurrentPrompter().YesNo(nullptr, MessageIcon::Question, "T", "Q?"));
        QCOMPARE(CurrentPrompter().OpenFiles(nullptr, "Open", "", "*.log").size(), 2);
        QVERIFY(CurrentPrompter().SaveFile(nullptr, "Save", "", "*.xml").isEmpty());
        QCOMPARE(CurrentPrompter().Choice(nullptr, MessageIcon::Question, "T", "?", {"A", "B"}, 0), -1);
        QVERIFY(!CurrentPrompter().Text(nullptr, "T", "L", "x").has_value());
        QCOMPARE(p.Count("YesNo"), 2);
        QCOMPARE(p.Last().Kind, QString("Text"));
    }
    // The real box: Enter presses the default the question names, and a question that names
    // none leaves it on No.
    void realBoxEnterPressesTheDefault_data() {
        QTest::addColumn<int>("given");   // -1: none given
        QTest::addColumn<bool>("answer");
        QTest::newRow("default No") << int(DefaultAnswer::No) << false;
        QTest::newRow("default Yes") << int(DefaultAnswer::Yes) << true;
        QTest::newRow("none named") << -1 << false;
    }
    void realBoxEnterPressesTheDefault() {
        QFETCH(int, given);
        QFETCH(bool, answer);
        QString defaultCaption;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box);
            defaultCaption = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QtPrompter real;
        Prompter& p = real;
        const bool yes = given < 0 ? p.YesNo(nullptr, MessageIcon::Question, "T", "Delete it?")
                                   : p.YesNo(nullptr, MessageIcon::Question, "T", "Delete it?", DefaultAnswer(given));
        QCOMPARE(yes, answer);
        QCOMPARE(defaultCaption.remove('&'), QString(answer ? "Yes" : "No"));
    }
    void restoresRealDialogs() {
        Prompter* before = &CurrentPrompter();
        { test::ScriptedPrompter p; }
        QCOMPARE(&CurrentPrompter(), before);
    }
};

QTEST_MAIN(PrompterTest)
#include "PrompterTest.moc"
