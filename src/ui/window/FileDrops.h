#pragma once
// Files dropped on the window, sorted: report files (.xml) are loaded, the others listed as
// log files.
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace trevix::ui {

struct DroppedFiles {
    QStringList Logs;
    QString Report;   // the first report file dropped; only one is loaded
};

// Only local files count.
DroppedFiles SortDroppedFiles(const QList<QUrl>& urls);

} // namespace trevix::ui
