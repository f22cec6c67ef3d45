// The date and hour charts: bars and labels from the engine's series, thinned labels when
// many dates share the width, and colours from the palette.
#ifndef Q_MOC_RUN
#include "engine/ReportLists.h"
#endif
#include "views/ReportChart.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QValueAxis>
#include <QtTest>

using namespace trevix;
using namespace trevix::ui;

namespace {

ChartSeries Series(int rows, int sets) {
    ChartSeries s;
    for (int r = 0; r < rows; ++r) s.Labels.push_back(QString("%1").arg(r + 1, 2, 10, QChar('0')).toStdString() + "/12/2026");
    for (int k = 0; k < sets; ++k) {
        s.Values.emplace_back();
        for (int r = 0; r < rows; ++r) s.Values.back().push_back(r * (k + 1));
        s.Colours.push_back(k == 0 ? std::array<int, 3>{0, 0, 255} : std::array<int, 3>{0, 255, 0});
    }
    return s;
}

QBarSeries* Bars(const ReportChart& chart) {
    const auto series = chart.Chart()->series();
    return series.isEmpty() ? nullptr : qobject_cast<QBarSeries*>(series.first());
}

int Written(const QStringList& labels) {
    int n = 0;
    for (const QString& l : labels) n += l.trimmed().isEmpty() || l.at(0).unicode() >= 0x2000 ? 0 : 1;
    return n;
}

} // namespace

class ReportChartTest : public QObject {
    Q_OBJECT
private slots:
    void barsAndLabels_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("allWritten");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("firstLabel");
        QTest::newRow("a week") << 7 << 1 << 700 << true << "C" << "01/12/2026";
        QTest::newRow("a German week") << 7 << 1 << 700 << true << "de_DE" << "01.12.2026";
        QTest::newRow("hours compared") << 24 << 2 << 900 << true << "C" << "01/12/2026";
        QTest::newRow("a year of dates thinned") << 365 << 1 << 700 << false << "C" << "01/12/2026";
    }
    void barsAndLabels() {
        QFETCH(int, rows);
        QFETCH(int, sets);
        QFETCH(int, width);
        QFETCH(bool, allWritten);
        QFETCH(QString, locale);
        QFETCH(QString, firstLabel);
        ReportChart chart;
        chart.setLocale(QLocale(locale));
        chart.resize(width, 300);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.ShowSeries(Series(rows, sets));
        QBarSeries* bars = Bars(chart);
        QVERIFY(bars);
        QCOMPARE(bars->count(), sets);
        for (int k = 0; k < sets; ++k) {
            QCOMPARE(bars->barSets().at(k)->count(), rows);
            QCOMPARE(bars->barSets().at(k)->at(rows - 1), double((rows - 1) * (k + 1)));
            QCOMPARE(bars->barSets().at(k)->color(), k == 0 ? QColor(0, 0, 255) : QColor(0, 255, 0));
        }
        auto* axis = qobject_cast<QBarCategoryAxis*>(chart.Chart()->axes(Qt::Horizontal).first());
        QCOMPARE(axis->count(), rows);
        QCOMPARE(chart.ShownLabels().size(), rows);
        QCOMPARE(chart.ShownLabels().first(), firstLabel);
        const int written = Written(chart.ShownLabels());
        if (allWritten)
            QCOMPARE(written, rows);
        else
            QVERIFY2(written > 5 && written * 8 < width, qPrintable(QString::number(written)));
        auto* values = qobject_cast<QValueAxis*>(chart.Chart()->axes(Qt::Vertical).first());
        QVERIFY(values->max() >= (rows - 1) * sets);

        chart.ShowSeries(ChartSeries{});
        QVERIFY(chart.Chart()->series().isEmpty());
        QVERIFY(chart.Chart()->axes().isEmpty());
    }

    void followsThePalette_data() {
        QTest::addColumn<QColor>("base");
        QTest::addColumn<QColor>("text");
        QTest::newRow("light") << QColor(Qt::white) << QColor(Qt::black);
        QTest::newRow("dark") << QColor(30, 30, 30) << QColor(230, 230, 230);
    }
    void followsThePalette() {
        QFETCH(QColor, base);
        QFETCH(QColor, text);
        ReportChart chart;
        chart.ShowSeries(Series(24, 1));
        QPalette pal = chart.palette();
        pal.setColor(QPalette::Base, base);
        pal.setColor(QPalette::Text, text);
        chart.setPalette(pal);
        QCOMPARE(chart.Chart()->backgroundBrush().color(), base);
        for (QAbstractAxis* axis : chart.Chart()->axes()) QCOMPARE(axis->labelsBrush().color(), text);
        // A series shown after the change takes the palette too.
        chart.ShowSeries(Series(3, 1));
        for (QAbstractAxis* axis : chart.Chart()->axes()) QCOMPARE(axis->labelsBrush().color(), text);
    }
};

QTEST_MAIN(ReportChartTest)
#include "ReportChartTest.moc"
