#pragma once
// The date and hour bar charts (chtDate, chtHour), fed by the engine's chart series and drawn
// in the window's palette.
#include <QWidget>

namespace trevix {
struct ChartSeries;
}

namespace trevix::ui {

class ReportChart : public QWidget {
    Q_OBJECT
public:
    explicit ReportChart(QWidget* parent = nullptr);
    // Shows the series (labels along the bottom, one bar set per series); an empty series
    // clears the chart.
    void ShowSeries(const ChartSeries& series);
};

} // namespace trevix::ui
