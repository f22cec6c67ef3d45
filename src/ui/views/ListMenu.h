#pragma once
// The right-click menu of a report list: the list's own commands first, then, on a list whose
// rows name something a filter reads, "Show only this" and "Hide this", then the two that every
// list offers, "Copy" and "Export List as CSV...".
#include <QList>
#include <functional>

class QAction;
class QMenu;

namespace trevix::ui {

class ReportListView;

// The two filter items of a list's menu. Not shown unless Shown; disabled unless Enabled.
// Choose gets true for "Show only this", false for "Hide this".
struct RowFilterItems {
    bool Shown = false;
    bool Enabled = false;
    std::function<void(bool keep)> Choose;
};

// Empties menu and fills it for view: ownItems (left to their owner), a separator, the filter
// items, "Copy" (the selected rows as Ctrl+C copies them; disabled with no row selected) and
// "Export List as CSV..." (runs exportList; disabled unless canExport).
void FillListMenu(QMenu& menu, ReportListView& view, const QList<QAction*>& ownItems, bool canExport,
                  const std::function<void()>& exportList, const RowFilterItems& filterItems = {});

} // namespace trevix::ui
