// The scripted prompter answers in order and falls back to "cancel" when out of answers.
#include "ui/support/ScriptedPrompter.h"

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
    void restoresRealDialogs() {
        Prompter* before = &CurrentPrompter();
        { test::ScriptedPrompter p; }
        QCOMPARE(&CurrentPrompter(), before);
    }
};

QTEST_MAIN(PrompterTest)
#include "PrompterTest.moc"
