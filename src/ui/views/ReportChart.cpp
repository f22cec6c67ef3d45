#include "views/ReportChart.h"

#include "engine/ReportLists.h"
#include "views/ReportTableModel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QVBoxLayout>
#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

namespace trevix::ui {

namespace {

// A label that draws as nothing but stays distinct: the category axis refuses duplicates.
QString BlankLabel(int index) {
    static const char16_t marks[4] = {u'\u200B', u'\u200C', u'\u200D', u'\u2060'};
    QString label;
    do {
        label += QChar(marks[index % 4]);
        index /= 4;
    } while (index > 0);
    return label;
}

QColor Blend(const QColor& a, const QColor& b, double share) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - share) + b.redF() * share),
                            static_cast<float>(a.greenF() * (1 - share) + b.greenF() * share),
                            static_cast<float>(a.blueF() * (1 - share) + b.blueF() * share));
}

} // namespace

ReportChart::ReportChart(QWidget* parent) : QWidget(parent) {
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->setLocalizeNumbers(true);
    chart->setBackgroundRoundness(0);
    chart->setMargins(QMargins(4, 4, 4, 4));
    view_ = new QChartView(chart, this);
    view_->setRenderHint(QPainter::Antialiasing);
    view_->setFrameShape(QFrame::NoFrame);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    ApplyPalette();
}

QChart* ReportChart::Chart() const { return view_->chart(); }

void ReportChart::ShowSeries(const ChartSeries& series) {
    QChart* chart = Chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    labels_.clear();
    shownLabels_.clear();
    labelStep_ = 0;
    if (series.Labels.empty() || series.Values.empty()) return;

    // Dates read in the user's locale, like the lists; hour labels stay as they are.
    const CellFormats formats(locale());
    for (const std::string& label : series.Labels)
        labels_ << ReportTableModel::DisplayText(label, SortType::Date, formats);
    auto* bars = new QBarSeries;
    double highest = 0;
    for (size_t s = 0; s < series.Values.size(); ++s) {
        auto* set = new QBarSet(QString());
        for (size_t row = 0; row < series.Labels.size(); ++row) {
            const double value = row < series.Values[s].size() ? series.Values[s][row] : 0.0;
            *set << value;
            highest = std::max(highest, value);
        }
        if (s < series.Colours.size()) {
            const auto& rgb = series.Colours[s];
            set->setColor(QColor(rgb[0], rgb[1], rgb[2]));
            set->setBorderColor(QColor(rgb[0], rgb[1], rgb[2]));
        }
        bars->append(set);
    }
    bars->setBarWidth(0.8);
    chart->addSeries(bars);

    auto* x = new QBarCategoryAxis;
    // Labels are thinned so they never touch; cut short, dates would read as "01/1...".
    x->setTruncateLabels(false);
    x->setGridLineVisible(false);
    chart->addAxis(x, Qt::AlignBottom);
    bars->attachAxis(x);
    auto* y = new QValueAxis;
    y->setRange(0, highest > 0 ? highest : 1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->applyNiceNumbers();
    y->setMinorTickCount(0);
    chart->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(y);
    UpdateLabels();
    ApplyPalette();
}

void ReportChart::UpdateLabels() {
    QChart* chart = Chart();
    const auto axes = chart->axes(Qt::Horizontal);
    auto* x = axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis*>(axes.first());
    if (!x || labels_.isEmpty()) return;
    // Labels that do not fit side by side stand upright; when even upright ones would touch,
    // only every n-th is written.
    const QFontMetrics metrics(x->labelsFont());
    int widest = 0;
    for (const QString& label : labels_) widest = std::max(widest, metrics.horizontalAdvance(label));
    const double plotWidth = std::max(100.0, chart->plotArea().width() > 0 ? chart->plotArea().width()
                                                                          : width() - 80.0);
    const double slot = plotWidth / labels_.size();
    // A little air between labels side by side.
    const bool upright = widest + 10 > slot;
    const int step = upright ? std::max(1, static_cast<int>(std::ceil((metrics.height() + 4) / slot))) : 1;
    x->setLabelsAngle(upright ? -90 : 0);
    if (step == labelStep_) return;
    labelStep_ = step;
    shownLabels_.clear();
    for (int i = 0; i < labels_.size(); ++i) shownLabels_ << (i % step == 0 ? labels_[i] : BlankLabel(i));
    x->setCategories(shownLabels_);
}

void ReportChart::ApplyPalette() {
    QChart* chart = Chart();
    const QPalette& pal = palette();
    const QColor base = pal.color(QPalette::Base);
    const QColor text = pal.color(QPalette::Text);
    chart->setBackgroundBrush(base);
    chart->setBackgroundPen(Qt::NoPen);
    chart->setTitleBrush(text);
    chart->legend()->setLabelColor(text);
    view_->setBackgroundBrush(base);
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsColor(text);
        axis->setLinePenColor(Blend(base, text, 0.5));
        axis->setGridLineColor(Blend(base, text, 0.15));
    }
}

void ReportChart::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) ApplyPalette();
}

void ReportChart::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateLabels();
}

} // namespace trevix::ui
