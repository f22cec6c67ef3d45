#include "views/ReportChart.h"

#include "engine/lists/ReportLists.h"
#include "views/ReportTableModel.h"

#include <QCursor>
#include <QEvent>
#include <QToolTip>
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

// A step of 1, 2 or 5 times a power of ten, never below 1, that divides 0..highest into
// about five intervals: visitors are whole, so a tick never reads "0.5" (or, rounded, "0, 0, 1").
double WholeStep(double highest) {
    const double rough = highest / 5;
    double step = 1;
    while (step * 5 <= rough) step *= 10;   // whole powers of ten: exact in a double
    for (double factor : {1.0, 2.0, 5.0, 10.0})
        if (step * factor >= rough) return step * factor;
    return step * 10;
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
    // The plot's width is known only once the chart has laid out its axes.
    connect(chart, &QChart::plotAreaChanged, this, [this] { UpdateLabels(); });
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
    labelsFont_ = x->labelsFont();
    // Labels are thinned so they never touch; cut short, dates would read as "01/1...".
    x->setTruncateLabels(false);
    x->setGridLineVisible(false);
    chart->addAxis(x, Qt::AlignBottom);
    bars->attachAxis(x);
    x->setTitleText(labelsCaption_);
    auto* y = new QValueAxis;
    const double step = WholeStep(highest);
    const double top = std::max(1.0, std::ceil(highest / step)) * step;
    y->setRange(0, top);
    y->setTickType(QValueAxis::TicksFixed);
    y->setTickCount(static_cast<int>(std::lround(top / step)) + 1);
    y->setLabelFormat(QStringLiteral("%.0f"));
    y->setMinorTickCount(0);
    y->setTitleText(valuesCaption_);
    chart->addAxis(y, Qt::AlignLeft);
    bars->attachAxis(y);
    connect(bars, &QBarSeries::hovered, this, [this, bars](bool over, int index, QBarSet* set) {
        if (over)
            QToolTip::showText(QCursor::pos(), BarToolTip(static_cast<int>(bars->barSets().indexOf(set)), index), view_);
        else
            QToolTip::hideText();
    });
    UpdateLabels();
    ApplyPalette();
}

void ReportChart::SetCaptions(const QString& title, const QString& labelsCaption, const QString& valuesCaption) {
    Chart()->setTitle(title);
    labelsCaption_ = labelsCaption;
    valuesCaption_ = valuesCaption;
    for (QAbstractAxis* axis : Chart()->axes())
        axis->setTitleText(axis->orientation() == Qt::Horizontal ? labelsCaption : valuesCaption);
}

QString ReportChart::BarToolTip(int set, int index) const {
    const auto series = Chart()->series();
    auto* bars = series.isEmpty() ? nullptr : qobject_cast<QBarSeries*>(series.first());
    if (!bars || set < 0 || set >= bars->count() || index < 0 || index >= labels_.size()) return {};
    QBarSet* values = bars->barSets().at(set);
    if (index >= values->count()) return {};
    QString text = labels_[index];
    if (bars->count() > 1 && set < setNames_.size() && !setNames_[set].isEmpty())
        text += " (" + setNames_[set] + ")";
    text += '\n';
    if (!valuesCaption_.isEmpty()) text += valuesCaption_ + ": ";
    // Grouped as the lists show numbers, the C locale too.
    QLocale shown = locale();
    shown.setNumberOptions(shown.numberOptions() & ~QLocale::OmitGroupSeparator);
    return text + shown.toString(static_cast<qlonglong>(std::llround(values->at(index))));
}

void ReportChart::UpdateLabels() {
    QChart* chart = Chart();
    const auto axes = chart->axes(Qt::Horizontal);
    auto* x = axes.isEmpty() ? nullptr : qobject_cast<QBarCategoryAxis*>(axes.first());
    if (!x || labels_.isEmpty()) return;
    // Labels that do not fit side by side stand upright; when even upright ones would touch,
    // only every n-th is written.
    const QFontMetrics metrics(labelsFont_);
    int widest = 0;
    for (const QString& label : labels_) widest = std::max(widest, metrics.horizontalAdvance(label));
    const double plotWidth = std::max(100.0, chart->plotArea().width() > 0 ? chart->plotArea().width()
                                                                          : width() - 80.0);
    const double slot = plotWidth / labels_.size();
    // A little air between labels side by side.
    const bool upright = widest + 10 > slot;
    const int step = upright ? std::max(1, static_cast<int>(std::ceil((metrics.height() + 4) / slot))) : 1;
    x->setLabelsAngle(upright ? -90 : 0);
    // The chart hides a label at either end that is wider than its bar's slot, which took the
    // "00" of a narrow hour chart: upright labels get a smaller font, down to two thirds, until
    // their height fits the slot.
    QFont font = labelsFont_;
    for (int k = 0; upright && k < 4 && QFontMetricsF(font).height() + 3 > slot; ++k)
        font.setPointSizeF(font.pointSizeF() * 0.9);
    if (x->labelsFont() != font) x->setLabelsFont(font);
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
    QFont titleFont = font();
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->legend()->setLabelColor(text);
    view_->setBackgroundBrush(base);
    for (QAbstractAxis* axis : chart->axes()) {
        axis->setLabelsColor(text);
        axis->setTitleBrush(text);
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
