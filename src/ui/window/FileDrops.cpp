#include "window/FileDrops.h"

namespace trevix::ui {

DroppedFiles SortDroppedFiles(const QList<QUrl>& urls) {
    DroppedFiles dropped;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QString path = url.toLocalFile();
        if (path.endsWith(".xml", Qt::CaseInsensitive)) {
            if (dropped.Report.isEmpty()) dropped.Report = path;
        } else {
            dropped.Logs << path;
        }
    }
    return dropped;
}

} // namespace trevix::ui
