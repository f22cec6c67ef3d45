#pragma once
// The window's status bar: the status text, and while work runs the progress the run host
// reports with the Cancel button beside it.
#include <QObject>
#include <QString>

class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;

namespace trevix::ui {

class GuiRunHost;

class WorkStatusBar : public QObject {
    Q_OBJECT
public:
    WorkStatusBar(QMainWindow* window, GuiRunHost& host);

    // Shown at once, even while the window thread is busy.
    void SetText(const QString& text);
    QString Text() const;
    // Work has ended.
    void HideProgress();

signals:
    void CancelClicked();

private:
    QLabel* status_;
    QProgressBar* progress_;
    QPushButton* butCancel_;
};

} // namespace trevix::ui
