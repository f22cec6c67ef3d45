#pragma once
// The windows and commands opened from the report pages: a visitor's details, the files
// referred by or to, the process log, a row's address in the browser and the conversion
// report. Each command does nothing while work runs; the windows let go of the engine's
// lists while work changes them.
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace trevix {
class Analyser;
class SettingsStore;
} // namespace trevix

namespace trevix::ui {

class ProcessLogWindow;
class ReportPages;
class WorkGuard;

class ReportWindows : public QObject {
    Q_OBJECT
public:
    // Follows the pages' double clicks and buttons; the windows open over window.
    ReportWindows(Analyser& a, SettingsStore* store, ReportPages* pages, WorkGuard& guard, QWidget* window);

    void VisitorDetails();
    void ReferredTo();
    // The row's address of the Referrers (0), Search Engines (1) or Errors (3) page.
    void VisitUrl(int index);
    // Of the file selected on the Files page, run as guarded work.
    void ShowConversionReport();
    void OpenProcessLog();
    // An open process log shows the latest run's lines.
    void RefreshProcessLog();

    // Work is about to change the engine's lists, or has changed them and the pages show them.
    void LetGo();
    void TakeBack();
    // The window closes: the windows close too, keeping their placement and column widths.
    void CloseAll();
    // The window goes: the windows that read the analyser go before it.
    void DeleteAll();

signals:
    void StatusText(const QString& text);

private:
    Analyser& a_;
    SettingsStore* store_;
    ReportPages* pages_;
    WorkGuard& guard_;
    QWidget* window_;
    QPointer<ProcessLogWindow> logWindow_;
};

} // namespace trevix::ui
