#pragma once
// The date and hour bar charts (chtDate, chtHour), fed by the engine's chart series and drawn
// in the window's palette.
#include <QFont>
#include <QStringList>
#include <QWidget>

namespace trevix {
struct ChartSeries;
}

class QChart;
class QChartView;

namespace trevix::ui {

class ReportChart : public QWidget {
    Q_OBJECT
public:
    explicit ReportChart(QWidget* parent = nullptr);
    // Shows the series (labels along the bottom, one bar set per series); an empty series
    // clears the chart.
    void ShowSeries(const ChartSeries& series);
    // The chart's title and the captions of its two axes; they stay across ShowSeries. Bar
    // sets may be named for the tooltip (the compared report's bars in a comparison).
    void SetCaptions(const QString& title, const QString& labelsCaption, const QString& valuesCaption);
    void SetSetNames(const QStringList& names) { setNames_ = names; }
    // What the tooltip over a bar says: its label, and the value with the values' caption.
    QString BarToolTip(int set, int index) const;

    QChart* Chart() const;
    QChartView* View() const { return view_; }
    // The bottom labels as shown: with many bars only every n-th carries its text, the
    // others are blank.
    QStringList ShownLabels() const { return shownLabels_; }

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyPalette();
    void UpdateLabels();

    QChartView* view_ = nullptr;
    QStringList labels_;       // every label, as the series gives them
    QString labelsCaption_, valuesCaption_;
    QFont labelsFont_;         // the bottom labels' own font, before any shrinking
    QStringList setNames_;
    QStringList shownLabels_;
    int labelStep_ = 0;
};

} // namespace trevix::ui
