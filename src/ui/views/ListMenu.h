#pragma once
// The right-click menu of a report list: the list's own commands first, then the two that every
// list offers, "Copy" and "Export List as CSV...".
#include <QList>
#include <functional>

class QAction;
class QMenu;

namespace trevix::ui {

class ReportListView;

// Empties menu and fills it for view: ownItems (left to their owner), a separator, "Copy" (the
// selected rows as Ctrl+C copies them; disabled with no row selected) and "Export List as
// CSV..." (runs exportList; disabled unless canExport).
void FillListMenu(QMenu& menu, ReportListView& view, const QList<QAction*>& ownItems, bool canExport,
                  const std::function<void()>& exportList);

} // namespace trevix::ui
