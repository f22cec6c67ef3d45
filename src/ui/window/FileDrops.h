#pragma once
// Files dropped on the window, sorted: report files (.xml) are loaded, the others listed as
// log files.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace trevix::ui {

struct DroppedFiles {
    QStringList Logs;
    QString Report;   // the first report file dropped; only one is loaded
};

// Only local files count.
DroppedFiles SortDroppedFiles(const QList<QUrl>& urls);

// Takes the drags and drops of files on the window it filters, while busy() says no work runs.
class FileDropFilter : public QObject {
    Q_OBJECT
public:
    FileDropFilter(QWidget* window, std::function<bool()> busy);
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Sent once the drop has ended: a report it brings is loaded, which serves events meanwhile.
    void Dropped(const QList<QUrl>& urls);

private:
    std::function<bool()> busy_;
};

} // namespace trevix::ui
