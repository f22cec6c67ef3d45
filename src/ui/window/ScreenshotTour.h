#pragma once
// The pictures scripts/screenshots.sh takes for the manual: each panel and report page of
// the main window in turn, the windows the pages open, every tab of the options and the FTP
// panel connected to a server. What the window itself has to do goes out as signals.
#include <QObject>
#include <QString>
#include <QStringList>

class QMainWindow;

namespace trevix {
class Analyser;
class SettingsStore;
}

namespace trevix::ui {

class ReportPages;

class ScreenshotTour : public QObject {
    Q_OBJECT
public:
    // server: "host port user password folder" of a server to connect to (empty: no picture
    // of the FTP panel).
    ScreenshotTour(QMainWindow* window, ReportPages* pages, Analyser& a, SettingsStore& store,
                   const QString& server);

    // Saves a picture for each (name.png) into folder; returns the files written.
    QStringList Run(const QString& folder);

signals:
    // A task pane item ("sites", "logfiles", "filter") as if clicked.
    void TaskWanted(const QString& key);
    // The report panel in front, without running anything.
    void ReportPanelWanted();
    void VisitorDetailsWanted();
    void ReferredToWanted();
    void ConversionReportWanted();
    void ProcessLogWanted();
    void FtpWanted();

private:
    QMainWindow* window_;
    ReportPages* pages_;
    Analyser& a_;
    SettingsStore& store_;
    QString server_;
};

} // namespace trevix::ui
