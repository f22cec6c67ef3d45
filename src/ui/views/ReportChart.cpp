#include "views/ReportChart.h"

#include "engine/ReportLists.h"

namespace trevix::ui {

ReportChart::ReportChart(QWidget* parent) : QWidget(parent) {}

void ReportChart::ShowSeries(const ChartSeries&) {}

} // namespace trevix::ui
