#include "views/RawLogView.h"

namespace trevix::ui {

RawLogView::RawLogView(QWidget* parent) : QAbstractScrollArea(parent) {}

void RawLogView::SetText(std::string_view) {}

bool RawLogView::Find(const QString&, bool) { return false; }

QString RawLogView::SelectedText() const { return {}; }

} // namespace trevix::ui
