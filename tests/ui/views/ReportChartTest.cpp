// The date and hour charts: bars and labels from the engine's series, thinned labels when
// many dates share the width, and colours from the palette.
#ifndef Q_MOC_RUN
#include "engine/lists/ReportLists.h"
#endif
#include "views/ReportChart.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QValueAxis>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QtCharts/QChartView>
#include <QtTest>
#include <cmath>

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

    // Visitors are whole: the value axis steps by whole numbers from 0 past the highest bar,
    // never "0, 0, 1, 1" on a small run.
    void wholeNumberTicks_data() {
        QTest::addColumn<double>("highest");
        for (double h : {0.0, 1.0, 2.0, 3.0, 7.0, 12.0, 48.0, 1234.0}) QTest::addRow("%g", h) << h;
    }
    void wholeNumberTicks() {
        QFETCH(double, highest);
        ChartSeries s = Series(3, 1);
        s.Values[0] = {0, highest, 1};
        ReportChart chart;
        chart.ShowSeries(s);
        auto* y = qobject_cast<QValueAxis*>(chart.Chart()->axes(Qt::Vertical).first());
        QCOMPARE(y->min(), 0.0);
        QVERIFY(y->max() >= std::max(highest, 1.0));
        QVERIFY(y->tickCount() >= 2 && y->tickCount() <= 11);
        const double step = y->max() / (y->tickCount() - 1);
        QVERIFY2(step >= 1 && step == std::round(step), qPrintable(QString::number(step)));
        QVERIFY(y->max() - step < std::max(highest, 1.0));   // no empty interval on top
    }

    // The first hour's label is drawn even where the labels stand upright and only every n-th
    // is written (the chart hides an edge label wider than its bar's slot).
    void firstHourLabelDrawn_data() {
        QTest::addColumn<int>("width");
        for (int w : {390, 480, 900}) QTest::addRow("%d px", w) << w;
    }
    void firstHourLabelDrawn() {
        QFETCH(int, width);
        ChartSeries s;
        for (int h = 0; h < 24; ++h) s.Labels.push_back(QString("%1").arg(h, 2, 10, QChar('0')).toStdString());
        s.Values = {std::vector<double>(24, 3.0)};
        s.Colours = {{0, 0, 255}};
        ReportChart chart;
        chart.SetCaptions("Visitors by Hour", "Hour", "Visitors");
        chart.resize(width, 450);
        chart.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chart));
        chart.ShowSeries(s);
        // The chart lays itself out in posted steps.
        auto drawn = [&] {
            for (QGraphicsItem* item : chart.View()->scene()->items())
                if (auto* text = dynamic_cast<QGraphicsTextItem*>(item); text && text->toPlainText() == "00")
                    return text->isVisible();
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(drawn(), 2000);
    }

    // Title, axis captions and the tooltip a bar shows, which names the compared report's bars.
    void captionsAndToolTips() {
        ReportChart chart;
        chart.SetCaptions("Visitors by Hour", "Hour", "Visitors");
        chart.SetSetNames({"this report", "compared report"});
        ChartSeries s;
        s.Labels = {"00", "01", "02"};
        s.Values = {{4, 1234, 0}};
        s.Colours = {{0, 0, 255}};
        chart.ShowSeries(s);
        QCOMPARE(chart.Chart()->title(), QString("Visitors by Hour"));
        QCOMPARE(chart.Chart()->axes(Qt::Horizontal).first()->titleText(), QString("Hour"));
        QCOMPARE(chart.Chart()->axes(Qt::Vertical).first()->titleText(), QString("Visitors"));
        QCOMPARE(chart.ShownLabels().first(), QString("00"));
        QCOMPARE(chart.BarToolTip(0, 0), QString("00\nVisitors: 4"));
        chart.setLocale(QLocale::c());
        QCOMPARE(chart.BarToolTip(0, 1), QString("01\nVisitors: 1,234"));
        QCOMPARE(chart.BarToolTip(0, 3), QString());
        s.Values.push_back({7, 8, 9});
        s.Colours.push_back({0, 255, 0});
        chart.ShowSeries(s);
        QCOMPARE(chart.BarToolTip(1, 2), QString("02 (compared report)\nVisitors: 9"));
        QCOMPARE(chart.Chart()->axes(Qt::Vertical).first()->titleText(), QString("Visitors"));
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
