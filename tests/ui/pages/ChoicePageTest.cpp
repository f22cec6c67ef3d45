// A page showing one of several lists: the list of the choice made, the button only with its
// own choice, and a remembered choice that names no button (an old or edited setting) kept
// as it was read, so it is written back unchanged.
#ifndef Q_MOC_RUN
#include "engine/Analyser.h"
#endif
#include "pages/ChoicePage.h"
#include "views/ReportListView.h"

#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace trevix;
using namespace trevix::ui;

class ChoicePageTest : public QObject {
    Q_OBJECT

    struct Page {
        Analyser a;
        std::vector<ReportListView*> lists;
        ChoicePage* page = nullptr;
        Page() {
            auto make = [this](int n, QWidget* parent) {
                auto* v = new ReportListView(parent);
                v->Attach(a, n);
                lists.push_back(v);
                return v;
            };
            page = new ChoicePage({{"&Keywords", "optA", lstSearchTerms},
                                   {"Search &Engine", "optB", lstSearchEngines},
                                   {"Raw", "optC", lstBrowsers}},
                                  make, "&Visit URL", "butVisit", 0);
        }
        ~Page() { delete page; }
        QString Shown() const {
            QString s;
            for (ReportListView* v : lists) s += v->isHidden() ? '-' : 'x';
            return s + (page->Button()->isHidden() ? " -" : " b");
        }
    };

private slots:
    void choiceShowsItsListAndButton_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QString>("shown");
        QTest::newRow("first, with the button") << 0 << 0 << "x-- b";
        QTest::newRow("second") << 1 << 1 << "-x- -";
        QTest::newRow("third") << 2 << 2 << "--x -";
        // Nothing is checked and nothing hidden; the number is kept for the settings.
        QTest::newRow("past the last") << 4 << 4 << "xxx b";
        QTest::newRow("none") << -1 << -1 << "xxx b";
    }
    void choiceShowsItsListAndButton() {
        QFETCH(int, choice);
        QFETCH(int, chosen);
        QFETCH(QString, shown);
        Page p;
        p.page->Choose(choice);
        QCOMPARE(p.page->Chosen(), chosen);
        QCOMPARE(p.Shown(), shown);
    }

    void userChoiceIsRemembered() {
        Page p;
        p.page->Choose(0);
        p.page->findChild<QRadioButton*>("optC")->click();
        QCOMPARE(p.page->Chosen(), 2);
        QCOMPARE(p.Shown(), QString("--x -"));
        p.page->findChild<QRadioButton*>("optA")->click();
        QCOMPARE(p.Shown(), QString("x-- b"));
    }
};

QTEST_MAIN(ChoicePageTest)
#include "ChoicePageTest.moc"
