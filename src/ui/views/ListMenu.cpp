#include "views/ListMenu.h"

#include "views/ReportListView.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QMenu>
#include <QPointer>

namespace trevix::ui {

void FillListMenu(QMenu& menu, ReportListView& view, const QList<QAction*>& ownItems, bool canExport,
                  const std::function<void()>& exportList, const RowFilterItems& filterItems) {
    menu.clear();   // deletes the actions made here last time; the own items stay their owner's
    menu.addActions(ownItems);
    if (!ownItems.isEmpty()) menu.addSeparator();
    if (filterItems.Shown) {
        auto item = [&](const char* caption, const char* name, bool keep) {
            QAction* a = menu.addAction(caption, &menu, [choose = filterItems.Choose, keep] {
                if (choose) choose(keep);
            });
            a->setObjectName(name);
            a->setEnabled(filterItems.Enabled);
        };
        item("Show only this", "mnuListShowOnly", true);
        item("Hide this", "mnuListHide", false);
        menu.addSeparator();
    }

    QPointer<ReportListView> target(&view);
    QAction* copy = menu.addAction("Copy", &menu, [target] {
        if (target) target->CopySelection();
    });
    copy->setObjectName("mnuListCopy");
    // Shown as a reminder; the list's own key handling does the copying outside the menu.
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    copy->setEnabled(view.selectionModel() && view.selectionModel()->hasSelection());

    QAction* exportCsv = menu.addAction("Export List as CSV...", &menu, [target, exportList] {
        if (target && exportList) exportList();
    });
    exportCsv->setObjectName("mnuListExportCsv");
    exportCsv->setEnabled(canExport && view.List() != nullptr);
}

} // namespace trevix::ui
