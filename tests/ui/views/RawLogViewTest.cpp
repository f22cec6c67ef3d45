// The raw log page: search, selection by keys and mouse, copy, over a text it never copies.
#include "views/RawLogView.h"

#include <QApplication>
#include <QClipboard>
#include <QtTest>
#include <string>

using namespace trevix::ui;

namespace {

// 400 lines; "Mozilla" only on lines 150 and 390, "ÄRGER" (non-ASCII) on line 7.
std::string SampleLog() {
    std::string text;
    for (int i = 0; i < 400; ++i) {
        text += "10.0.0." + std::to_string(i % 250) + " - - [07/Dec/2026:10:00:00 +0000] \"GET /page-" +
                std::to_string(i) + ".html HTTP/1.1\" 200 512";
        if (i == 150 || i == 390) text += " \"Mozilla/5.0\"";
        if (i == 7) text += " \"ÄRGER\"";
        text += i % 2 ? "\r\n" : "\n";
    }
    return text;
}

size_t Nth(const std::string& text, const std::string& what, int n) {
    size_t at = std::string::npos;
    for (int i = 0; i <= n; ++i) at = text.find(what, at == std::string::npos ? 0 : at + 1);
    return at;
}

} // namespace

class RawLogViewTest : public QObject {
    Q_OBJECT
private slots:
    void find_data() {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<bool>("fromStart");
        QTest::addColumn<int>("selectBefore");   // occurrence of "Mozilla" selected first, or -1
        QTest::addColumn<int>("foundLine");      // -1: not found
        QTest::newRow("first hit from start") << "mozilla/5" << true << -1 << 150;
        QTest::newRow("letter case ignored") << "MOZILLA" << true << -1 << 150;
        QTest::newRow("next after selection") << "Mozilla" << false << 0 << 390;
        QTest::newRow("none after last hit") << "Mozilla" << false << 1 << -1;
        QTest::newRow("from start again wraps") << "Mozilla" << true << 1 << 150;
        QTest::newRow("absent text") << "curl/8" << true << -1 << -1;
        QTest::newRow("non-ASCII as written") << "ÄRGER" << true << -1 << 7;
        QTest::newRow("non-ASCII letter case ignored") << "\"ärger" << true << -1 << 7;
        QTest::newRow("non-ASCII absent") << "ärgerlich" << true << -1 << -1;
        QTest::newRow("across a line break is no hit") << "512\nGET" << true << -1 << -1;
        QTest::newRow("last line") << "page-399.html" << true << -1 << 399;
    }
    void find() {
        QFETCH(QString, needle);
        QFETCH(bool, fromStart);
        QFETCH(int, selectBefore);
        QFETCH(int, foundLine);
        const std::string text = SampleLog();
        RawLogView view;
        view.resize(400, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.SetText(text);
        QCOMPARE(view.LineCount(), size_t{401});   // the text ends with a line break
        if (selectBefore >= 0) {
            const size_t at = Nth(text, "Mozilla", selectBefore);
            view.Select(at, at + 7);
        }
        const size_t startBefore = view.SelectionStart(), endBefore = view.SelectionEnd();
        const bool found = view.Find(needle, fromStart);
        QCOMPARE(found, foundLine >= 0);
        if (!found) {
            QCOMPARE(view.SelectionStart(), startBefore);
            QCOMPARE(view.SelectionEnd(), endBefore);
            return;
        }
        QCOMPARE(view.SelectedText().toLower(), needle.toLower());
        const size_t line = view.LineOf(view.SelectionStart());
        QCOMPARE(line, size_t(foundLine));
        QVERIFY2(line >= view.TopLine() && line < view.TopLine() + view.VisibleLineCount(), "hit scrolled into view");
    }

    // Keys and mouse select, Ctrl+C copies exactly the selected bytes (CR LF kept as written).
    void selectAndCopy_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("copied");
        QTest::newRow("shift+right") << "shift-right-3" << "abc";
        QTest::newRow("shift+end") << "shift-end" << "abc déf";
        QTest::newRow("shift+down keeps column") << "right-shift-down" << "bc déf\r\nx";
        QTest::newRow("select all") << "all" << "abc déf\r\nxyz\n\nlast";
        QTest::newRow("mouse drag") << "drag" << "c d";
        QTest::newRow("double click word") << "double" << "déf";
    }
    void selectAndCopy() {
        QFETCH(QString, how);
        QFETCH(QString, copied);
        const std::string text = "abc déf\r\nxyz\n\nlast";
        RawLogView view;
        view.resize(400, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.SetText(text);
        const QFontMetrics fm(view.font());
        const int cw = fm.horizontalAdvance(QLatin1Char('M'));
        const auto at = [&](int column, int line) { return QPoint(column * cw + 1, line * fm.lineSpacing() + 2); };
        if (how == "shift-right-3")
            for (int i = 0; i < 3; ++i) QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        if (how == "shift-end") QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
        if (how == "right-shift-down") {
            QTest::keyClick(&view, Qt::Key_Right);
            QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
        }
        if (how == "all") QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        if (how == "drag") {
            QTest::mousePress(view.viewport(), Qt::LeftButton, {}, at(2, 0));
            QMouseEvent move(QEvent::MouseMove, QPointF(at(5, 0)), view.viewport()->mapToGlobal(QPointF(at(5, 0))),
                             Qt::NoButton, Qt::LeftButton, {});
            QApplication::sendEvent(view.viewport(), &move);
            QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, at(5, 0));
        }
        if (how == "double") QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, at(5, 0));
        QCOMPARE(view.SelectedText(), copied);
        QApplication::clipboard()->clear();
        QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), copied);
    }

    void emptyTextClearsThePage() {
        const std::string text = "one\ntwo";
        RawLogView view;
        view.SetText(text);
        view.Select(0, 3);
        view.SetText({});
        QCOMPARE(view.LineCount(), size_t{0});
        QVERIFY(view.SelectedText().isEmpty());
        QVERIFY(!view.Find("one", true));
        QTest::keyClick(&view, Qt::Key_End, Qt::ShiftModifier);
        QVERIFY(view.SelectedText().isEmpty());
    }
};

QTEST_MAIN(RawLogViewTest)
#include "RawLogViewTest.moc"
