#include "window/FileDrops.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QWidget>
#include <utility>

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

FileDropFilter::FileDropFilter(QWidget* window, std::function<bool()> busy)
    : QObject(window), busy_(std::move(busy)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool FileDropFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::DragEnter) {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        if (!busy_() && enter->mimeData()->hasUrls()) enter->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (busy_()) return true;
        drop->acceptProposedAction();
        QTimer::singleShot(0, this, [this, urls = drop->mimeData()->urls()] { emit Dropped(urls); });
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace trevix::ui
