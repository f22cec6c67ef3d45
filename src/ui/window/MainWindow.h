#pragma once
// The main window: the shell that wires the steps (task pane and arrows), the panels of
// those steps, the ten report pages, the menus and the status bar with progress and Cancel.
// The analysis runs on a worker thread through the engine's AnalyseLogFiles; the window only
// shows the engine's lists.
#include "config/RecentLists.h"
#include "config/SiteProfiles.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>

class QStackedWidget;

namespace trevix {
class Analyser;
class SettingsStore;
}

namespace trevix::ui {

class GuiRunHost;
class MainMenus;
class FilesPanel;
class FilterPanel;
class FtpFrame;
class FtpPanel;
class ReportListView;
class ReportFileCommands;
class ReportPages;
class ReportPanel;
class ReportWindows;
class SitesPanel;
class Steps;
class TaskPane;
class WorkGuard;
class WorkStatusBar;
struct AnalysisOutcome;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Loads the options, recent lists and site profiles from the store, then builds the window
    // (the report pages exist from the start, empty) and restores its settings.
    explicit MainWindow(SettingsStore& store, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up steps after the window exists: the reference data (country data only when the
    // country report is on) and the computer's time-zone offset.
    void LoadReferenceData(const std::string& folder);
    void ReadTimeZoneOffset();

    Analyser& analyser() { return *a_; }
    GuiRunHost& Host() { return *host_; }
    TaskPane& Pane() { return *pane_; }
    SiteProfileList& Profiles() { return profiles_; }
    // The list view of a list number (1..14, 16); nullptr for others.
    ReportListView* ListView(int listNum) const;

    // Task pane dispatch on an item key ("sites", "logfiles", "filter", "report", "update",
    // "reset"); also what the step arrows and shortcuts do.
    void TaskClick(const QString& key);
    // The site toolbar and the site list's shortcuts: "new", "edit", "delete".
    void SiteToolbarClick(const QString& key);
    // Files given on the command line, dropped on the window or chosen in the file dialog.
    void AddLogFiles(const QStringList& files);
    QStringList LogFiles() const;
    // Files dropped on the window: report files (.xml) are loaded, others listed as logs.
    void DropFiles(const QList<QUrl>& urls);
    // The File menu's commands without their dialogs.
    void LoadReport(const QString& path, bool compare);
    bool SaveReport(const QString& path);

    // Runs work on the window thread as guarded work (a conversion report, a download): while it
    // runs, commands that would start other work are disabled and the views let go of the
    // engine's lists; running out of memory empties the report and says so, naming what.
    // False when other work is in progress or memory ran out.
    bool RunGuarded(const QString& what, const std::function<void()>& work);
    // After the options dialog was confirmed: the help text's country note and the raw log page
    // follow the new options; inputsChanged (country report or raw log switched on) marks the
    // report out of date.
    void OptionsChanged(bool inputsChanged);
    // True while an analysis, a load or a conversion report is in progress.
    bool IsWorking() const;
    // True while the FTP panel connects, lists or downloads.
    bool IsTransferring() const;
    // The FTP panel, once the "ftp" button has opened it.
    FtpPanel* Ftp() const;
    // Runs the event loop until the work in progress has ended (tests, start-up, closing).
    void WaitForWork();
    // The Cancel button.
    void CancelWork();

    // When the settings file could not be read at start-up, nothing is written at exit.
    void SetSaveSettingsOnExit(bool save) { saveOnExit_ = save; }
    // Writes the recent lists and profiles at once (after a profile changed, a run pushed its
    // files, a transfer remembered an account), unless nothing is to be written at exit.
    void SaveProfilesNow();
    // SIGTERM or SIGHUP: cancels the work in progress, waits (a while at most) until it has
    // stopped, asks nothing, writes the settings and returns the exit status, 128 + signal.
    int Terminate(int signal);

    // Shows each panel and report page in turn and saves a picture of the window for each
    // into folder (name.png); returns the files written.
    QStringList SaveScreenshots(const QString& folder);
    // For the pictures of the FTP panel: "host port user password folder" of a server to
    // connect to (empty: no picture of the panel).
    void SetScreenshotServer(const QString& server) { screenshotServer_ = server; }
    // Brings a report page to the front by its tab key ("visitors", "IPs", ..., "rawlog").
    void ShowReportPage(const QString& key);

    void ShowUpdate(bool visible);
    void ResetWizard();
    void UpdateFilters();
    void ShowHelpText(const QString& text);
    void SetStatus(const QString& text);
    QString Status() const;
    void UpdateRawLog();
    void LogButtonsEnabled(bool enabled);
    // The raw-log search button.
    void SearchRawLog();

signals:
    // Work is about to change the engine's lists: views of other windows let go of them now.
    void WorkStarting();
    // An analysis or load has finished and the pages show its result.
    void WorkFinished();

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    void OnOptions();
    void OnFtp();

private:
    void BuildMenus();
    void LoadHandler();
    // The panels of the steps before the report, and the report's panel with the windows
    // opened from its pages.
    void BuildSetUpPanels();
    void BuildReportPanel();

    void ShowPanel(QWidget* panel);
    void UpdateCaption(const QString& suffix = {});
    // The report shown no longer follows the inputs: "Update" is offered.
    void MarkOutOfDate(bool filterChange);
    void BrowseLogFiles();
    void DeleteLogFiles();
    void LoadReportDialog(bool compare);
    void SaveReportDialog();
    void ExportCsvDialog(ReportListView* view = nullptr);
    void ExportHtmlDialog();
    void FillRecentCombos(bool filters);

    void StartAnalysis(const QString& before, const QString& after);
    // The filter values read; the country list is read for a country filter first.
    bool FilterValuesOk();
    void AnalysisFinished(const AnalysisOutcome& w);
    void ShowPages();
    void ClearPagesAfterFailure(const QString& message);
    void SetCommandsEnabled(bool enabled);
    // No command that starts other work while work runs or the FTP panel is busy.
    bool Busy() const;
    // The profile of the site chosen in the site list, or null.
    SiteProfile* SelectedProfile();
    void TransferBusy(bool busy);
    void ListContextMenu(int listNum, int row, const QPoint& pos);
    // "Show only this" (keep) or "Hide this" on a list's row: its filter ticked, then "Update".
    void FilterByRow(int listNum, int row, bool keep);
    // The filters kept with the site now chosen go into the filter panel.
    void ShowSiteFilters();
    // Writes window, display, sort and column settings, then recent lists and profiles, unless
    // nothing is to be written at exit.
    void SaveSettings();
    // The list on the report page in front (the focused one when the page shows several), or
    // nullptr when the page shows none (the raw log, the charts).
    ReportListView* ListOnScreen() const;

    SettingsStore& store_;
    std::unique_ptr<Analyser> a_;
    RecentLists recent_;
    SiteProfileList profiles_;
    GuiRunHost* host_ = nullptr;
    Steps* steps_ = nullptr;
    TaskPane* pane_ = nullptr;
    ReportFileCommands* reportFiles_ = nullptr;
    bool saveOnExit_ = true;
    bool closing_ = false;
    bool terminating_ = false;   // SIGTERM or SIGHUP: no new work, no question
    WorkGuard* guard_ = nullptr;
    std::string dataFolder_;   // where the reference data was loaded from
    QString captionSubject_;   // what the caption names: the site or the report file
    QString screenshotServer_;

    // Panels.
    QStackedWidget* panels_ = nullptr;
    SitesPanel* sites_ = nullptr;
    FilesPanel* files_ = nullptr;
    FtpFrame* ftp_ = nullptr;
    ReportPanel* frameReport_ = nullptr;
    FilterPanel* filter_ = nullptr;

    // Report pages.
    ReportPages* pages_ = nullptr;
    ReportWindows* windows_ = nullptr;

    // Menus and status bar.
    MainMenus* menus_ = nullptr;
    WorkStatusBar* statusBar_ = nullptr;
    bool saveEnabled_ = false, compareEnabled_ = false;
};

} // namespace trevix::ui
