#include "window/MainWindow.h"

#include "common/ProgramInfo.h"
#include "common/Prompter.h"
#include "common/QtText.h"
#include "common/Twips.h"
#include "config/CountryCache.h"
#include "config/DataFolder.h"
#include "config/Options.h"
#include "config/QtSettingsStore.h"
#include "config/ReferenceDataLoader.h"
#include "dialogs/OptionsDialog.h"
#include "engine/Analyser.h"
#include "engine/SortSettings.h"
#include "engine/read/LogReader.h"
#include "pages/RawLogPage.h"
#include "pages/RowFilters.h"
#include "pages/ReportPages.h"
#include "pages/ReportPanel.h"
#include "pages/SummaryPage.h"
#include "panels/FilesPanel.h"
#include "panels/FilterPanel.h"
#include "panels/SitesPanel.h"
#include "views/ListMenu.h"
#include "views/ReportListView.h"
#include "window/FileDrops.h"
#include "window/FtpFrame.h"
#include "window/GuiRunHost.h"
#include "window/IncompleteInputsText.h"
#include "window/MainMenus.h"
#include "window/ReportFileCommands.h"
#include "window/ReportWindows.h"
#include "window/RunRequestBuilder.h"
#include "window/ScreenshotTour.h"
#include "window/StartUp.h"
#include "window/Steps.h"
#include "window/TaskPane.h"
#include "window/MainWindowPlacement.h"
#include "window/WorkGuard.h"
#include "window/WorkStatusBar.h"

#include <QAction>
#include <QCloseEvent>
#include <QDate>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>

#include <new>
#include <utility>

namespace trevix::ui {

namespace {

constexpr const char* MessageTitle = "Trevix";

} // namespace

MainWindow::MainWindow(SettingsStore& store, QWidget* parent)
    : QMainWindow(parent), store_(store), a_(std::make_unique<Analyser>()) {
    setObjectName("frmMain");
    a_->Store = &store_;
    LoadOptions(store_, a_->Options);
    a_->Options.TemporaryFilesFolder = CountryCacheFolder();   // inflated logs too large for memory
    LoadRecentAndProfiles(store_, a_->Options, recent_, profiles_);
    host_ = new GuiRunHost(this);
    a_->SetHost(host_);
    connect(host_, &GuiRunHost::StatusChanged, this, &MainWindow::SetStatus);
    connect(host_, &GuiRunHost::BusyChanged, this, [this](bool busy) {
        if (busy) LogButtonsEnabled(false);
    });
    connect(host_, &GuiRunHost::SummaryChanged, this, [this](const QString& text) { pages_->Summary()->SetSummary(text); });
    auto* drops = new FileDropFilter(this, [this] { return Busy(); });
    connect(drops, &FileDropFilter::Dropped, this, &MainWindow::DropFiles);
    guard_ = new WorkGuard(*a_, *host_, this);
    connect(guard_, &WorkGuard::Starting, this, [this] {
        emit WorkStarting();
        SetCommandsEnabled(false);
        pages_->DetachViews();
        frameReport_->ShowErrorsLink(false);
    });
    connect(guard_, &WorkGuard::Ending, this, [this] {
        pages_->AttachViews();
        ShowPages();
    });
    connect(guard_, &WorkGuard::Ended, this, [this] {
        SetCommandsEnabled(true);
        statusBar_->HideProgress();
        if (a_->Lists.State.Shown) LogButtonsEnabled(true);
    });
    connect(guard_, &WorkGuard::Failed, this, &MainWindow::ClearPagesAfterFailure);
    connect(guard_, &WorkGuard::StatusText, this, &MainWindow::SetStatus);
    connect(guard_, &WorkGuard::AnalysisFinished, this, &MainWindow::AnalysisFinished);
    connect(guard_, &WorkGuard::Finished, this, [this] {
        SaveProfilesNow();   // a run pushed its files and filters onto the recent lists
        emit WorkFinished();
        // The user asked to close while the work ran.
        if (closing_) QTimer::singleShot(0, this, &QWidget::close);
    });
    reportFiles_ = new ReportFileCommands(*a_, this);
    connect(reportFiles_, &ReportFileCommands::StatusText, this, &MainWindow::SetStatus);
    LoadHandler();
    // The windows opened from the report pages read the engine's lists too.
    connect(this, &MainWindow::WorkStarting, windows_, &ReportWindows::LetGo);
    connect(this, &MainWindow::WorkFinished, windows_, &ReportWindows::TakeBack);
}

MainWindow::~MainWindow() {
    guard_->Stop();
    a_->SetHost(nullptr);
    // The panel's thread stops before the options it reads go.
    ftp_->DeletePanel();
    // The windows opened from the report pages read the analyser, which goes first.
    windows_->DeleteAll();
    // The views outlive this body (they are children) but the lists they show do not.
    pages_->LetGo();
}

void MainWindow::LoadReferenceData(const std::string& folder) {
    dataFolder_ = folder;
    const QString status = Status();
    LoadAllReferenceData(store_, a_->Options, a_->Reference, *host_, folder);
    // "Loading country data..." is over once the data is in.
    SetStatus(status);
}

void MainWindow::ReadTimeZoneOffset() { a_->LocalTimeBias = ReadLocalTimeBias(); }

ReportListView* MainWindow::ListView(int listNum) const {
    return pages_->View(listNum);
}

bool MainWindow::IsWorking() const { return guard_->Working(); }

bool MainWindow::IsTransferring() const { return guard_->Transferring(); }

bool MainWindow::Busy() const { return guard_->Busy(); }

FtpPanel* MainWindow::Ftp() const { return ftp_->Panel(); }

SiteProfile* MainWindow::SelectedProfile() {
    const int p = sites_->CurrentSite();
    return profiles_.IsValid(p) ? &profiles_[p] : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Building the window

void MainWindow::LoadHandler() {
    setWindowTitle(ProductTitle());
    setWindowIcon(ProgramIcon());

    steps_ = new Steps(*a_, [this] { return Busy(); }, this);
    pane_ = steps_->Pane();
    connect(steps_, &Steps::TaskWanted, this, &MainWindow::TaskClick);

    panels_ = new QStackedWidget(this);
    BuildSetUpPanels();
    BuildReportPanel();
    for (QWidget* w : std::initializer_list<QWidget*>{sites_, files_, filter_, ftp_, frameReport_}) panels_->addWidget(w);

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(pane_);
    split->addWidget(panels_);
    split->setStretchFactor(1, 1);
    split->setCollapsible(0, false);
    split->setCollapsible(1, false);
    setCentralWidget(split);

    BuildMenus();
    statusBar_ = new WorkStatusBar(this, *host_);
    connect(statusBar_, &WorkStatusBar::CancelClicked, this, &MainWindow::CancelWork);
    SetStatus(ProductTitle() + " " + VersionText());

    pages_->RestoreDisplay(store_);

    resize(1000, 700);
    RestoreWindowPlacement(*this, store_);
    SetColumnWidths(a_->Lists, a_->Store);
    pages_->ApplyColumnWidths();
    sites_->ApplyColumnWidths(a_->Lists[lstSites]);

    steps_->SetForwardEnabled(0, false);
    steps_->SetForwardEnabled(2, false);
    steps_->Level(1);
    LogButtonsEnabled(false);

    TaskClick("sites");
    a_->Lists.State.Shown = false;
    a_->Lists.State.OutOfDate = false;
    ShowUpdate(false);
    setMinimumSize(TwipsToPixels(8000, this), TwipsToPixels(6510, this));

    sites_->Fill();
    FillRecentCombos(true);
    UpdateFilters();
    UpdateRawLog();
}

void MainWindow::BuildSetUpPanels() {
    sites_ = new SitesPanel(profiles_, [this] { return Busy(); }, this);
    sites_->layout()->addWidget(steps_->Arrows(0, false, true, this));
    connect(sites_, &SitesPanel::SiteChosen, this, [this](const QString& name) {
        steps_->Level(2);
        steps_->SetForwardEnabled(0, true);
        UpdateCaption(name);
    });
    connect(sites_, &SitesPanel::SitesChanged, this, [this](bool any) {
        steps_->Level(2);
        steps_->SetForwardEnabled(0, any);
        if (!any) UpdateCaption();
    });
    connect(sites_, &SitesPanel::ProfilesChanged, this, &MainWindow::SaveProfilesNow);
    connect(sites_, &SitesPanel::CurrentSiteChanged, this, &MainWindow::ShowSiteFilters);
    files_ = new FilesPanel(this);
    files_->layout()->addWidget(steps_->Arrows(1, true, true, this));
    connect(files_, &FilesPanel::AddWanted, this, &MainWindow::AddLogFiles);
    connect(files_, &FilesPanel::BrowseWanted, this, &MainWindow::BrowseLogFiles);
    connect(files_, &FilesPanel::RemoveWanted, this, &MainWindow::DeleteLogFiles);
    connect(files_, &FilesPanel::FtpWanted, this, &MainWindow::OnFtp);
    filter_ = new FilterPanel(this);
    filter_->layout()->addWidget(steps_->Arrows(2, true, true, this));
    connect(filter_, &FilterPanel::Changed, this, &MainWindow::MarkOutOfDate);
    ftp_ = new FtpFrame(*a_, &store_, [this] { return SelectedProfile(); }, this);
    connect(ftp_, &FtpFrame::StatusText, this, &MainWindow::SetStatus);
    connect(ftp_, &FtpFrame::FileDownloaded, this, [this](const QString& path) { AddLogFiles({path}); });
    connect(ftp_, &FtpFrame::TransferBusy, this, &MainWindow::TransferBusy);
}

void MainWindow::BuildReportPanel() {
    frameReport_ = new ReportPanel(*a_, &store_, &profiles_, [this] { return sites_->CurrentSite(); }, this);
    pages_ = frameReport_->Pages();
    windows_ = new ReportWindows(*a_, &store_, pages_, *guard_, this);
    connect(windows_, &ReportWindows::StatusText, this, &MainWindow::SetStatus);
    connect(frameReport_, &ReportPanel::ProcessLogWanted, windows_, &ReportWindows::OpenProcessLog);
    connect(pages_, &ReportPages::ListContextMenu, this, &MainWindow::ListContextMenu);
    connect(pages_, &ReportPages::RawLogSearchWanted, this, &MainWindow::SearchRawLog);
    connect(pages_, &ReportPages::HelpText, this, &MainWindow::ShowHelpText);
    connect(pages_, &ReportPages::StatusText, this, &MainWindow::SetStatus);
    frameReport_->SetArrows(steps_->Arrows(3, true, false, this));
}

void MainWindow::BuildMenus() {
    menus_ = new MainMenus(this);
    connect(menus_->FileLoad, &QAction::triggered, this, [this] { LoadReportDialog(false); });
    connect(menus_->FileSave, &QAction::triggered, this, &MainWindow::SaveReportDialog);
    connect(menus_->FileCompare, &QAction::triggered, this, [this] { LoadReportDialog(true); });
    connect(menus_->FileExportCsv, &QAction::triggered, this, [this] { ExportCsvDialog(); });
    connect(menus_->FileExportHtml, &QAction::triggered, this, &MainWindow::ExportHtmlDialog);
    connect(menus_->ToolsOptions, &QAction::triggered, this, &MainWindow::OnOptions);
    connect(menus_->ShowConversionReport, &QAction::triggered, windows_, &ReportWindows::ShowConversionReport);
    connect(menus_->AddLogFiles, &QAction::triggered, this, [this] {
        if (Busy()) return;
        TaskClick("logfiles");
        BrowseLogFiles();
    });
    connect(menus_->Update, &QAction::triggered, this, [this] {
        if (!Busy() && pane_->HasItem("update")) TaskClick("update");
    });
    connect(menus_->Search, &QAction::triggered, this, [this] {
        if (Busy()) return;
        TaskClick("report");
        ShowReportPage("rawlog");
        pages_->RawLog()->FocusSearch();
    });
    connect(menus_->FindNext, &QAction::triggered, this, [this] {
        if (!Busy() && pages_->RawLog()->SearchVisible()) SearchRawLog();
    });
    connect(menus_->Cancel, &QAction::triggered, this, [this] {
        if (Busy()) CancelWork();
    });
}

// ---------------------------------------------------------------------------------------------
// Window state

void MainWindow::SetStatus(const QString& text) { statusBar_->SetText(text); }

QString MainWindow::Status() const { return statusBar_->Text(); }

void MainWindow::ShowHelpText(const QString& text) { steps_->ShowHelpText(text); }

void MainWindow::ShowUpdate(bool visible) { steps_->ShowUpdate(visible); }

void MainWindow::ResetWizard() {
    pane_->Highlight("sites");
    ShowPanel(sites_);
    steps_->ShowStepHelp("sites");
    pane_->RemoveItem("reset");
    pane_->RemoveItem("report");
    pane_->AddItem("rep", "repinfo", "No logs selected");
    files_->Clear();
    steps_->SetForwardEnabled(2, false);
    filter_->SetLogDates({}, {});
    a_->Lists.State.Shown = false;
    a_->Lists.State.OutOfDate = false;
    ShowUpdate(false);
    filter_->Clear();
}

void MainWindow::UpdateFilters() { filter_->UpdateControls(); }

void MainWindow::MarkOutOfDate(bool filterChange) {
    a_->Lists.State.OutOfDate = true;
    ShowUpdate(true);
    if (filterChange) UpdateFilters();
}

void MainWindow::UpdateRawLog() { pages_->RawLog()->ShowRawLog(a_->Options.ShowRawLog); }

void MainWindow::LogButtonsEnabled(bool enabled) { pages_->SetRowButtonsEnabled(enabled); }

void MainWindow::UpdateCaption(const QString& suffix) {
    captionSubject_ = suffix;
    setWindowTitle(suffix.isEmpty() ? ProductTitle() : ProductTitle() + " - " + suffix);
}

void MainWindow::ShowPanel(QWidget* panel) { panels_->setCurrentWidget(panel); }

void MainWindow::ShowReportPage(const QString& key) {
    pages_->ShowPage(key);
}

// ---------------------------------------------------------------------------------------------
// Task pane and panels

void MainWindow::TaskClick(const QString& key) {
    if (Busy()) return;
    if (panels_->currentWidget() == ftp_) ShowPanel(sites_);
    pane_->Highlight(key == "update" ? QString("report") : key);
    if (key == "reset") {
        ResetWizard();
    } else if (key == "sites") {
        ShowPanel(sites_);
        steps_->ShowStepHelp("sites");
    } else if (key == "logfiles") {
        ShowPanel(files_);
        steps_->ShowStepHelp("logfiles");
    } else if (key == "filter") {
        ShowPanel(filter_);
        steps_->ShowStepHelp("filter");
    } else if (key == "report") {
        ShowPanel(frameReport_);
        steps_->ShowStepHelp("report");
        if (!a_->Lists.State.Shown && a_->Lists.State.OutOfDate) {
            if (!filter_->DateOrderOk(true) || !FilterValuesOk()) {
                TaskClick("filter");
                return;
            }
            SetStatus("Generating report...");
            StartAnalysis("Generating report...", {});
        }
    } else if (key == "update") {
        if (!filter_->DateOrderOk(true) || !FilterValuesOk()) {
            TaskClick("filter");
            return;
        }
        ShowPanel(frameReport_);
        steps_->ShowStepHelp("report");
        StartAnalysis("Updating report...", "Report updated.");
    }
}

void MainWindow::SiteToolbarClick(const QString& key) { sites_->Command(key); }

void MainWindow::AddLogFiles(const QStringList& files) {
    if (guard_->Working() || files.isEmpty()) return;
    files_->Add(files);
    MarkOutOfDate(false);
    steps_->Level(3);
    steps_->SetForwardEnabled(2, true);
}

QStringList MainWindow::LogFiles() const {
    return files_->Files();
}

void MainWindow::BrowseLogFiles() {
    if (Busy()) return;
    AddLogFiles(files_->Browse(recent_, Q(a_->Options.DefaultDownloadFolder)));
}

void MainWindow::DeleteLogFiles() {
    if (Busy() || !files_->RemoveSelected()) return;
    MarkOutOfDate(false);
}

void MainWindow::FillRecentCombos(bool filters) {
    filter_->FillRecent(recent_, filters);
    files_->FillRecent(recent_);
}

// ---------------------------------------------------------------------------------------------
// Work: the analysis, loads and saves

void MainWindow::SetCommandsEnabled(bool enabled) {
    pane_->SetItemsEnabled(enabled);
    menus_->SetCommandsEnabled(enabled, saveEnabled_, compareEnabled_, a_->Lists.State.Shown);
    for (QWidget* w : std::initializer_list<QWidget*>{sites_, files_, filter_}) w->setEnabled(enabled);
    steps_->SetBackEnabled(enabled);
    steps_->SetForwardEnabled(1, enabled);
    steps_->SetForwardEnabled(0, enabled && sites_->HasCurrent());
    steps_->SetForwardEnabled(2, enabled && files_->Count() > 0);
    pages_->SetCommandsEnabled(enabled);
    if (!enabled) LogButtonsEnabled(false);
    setAcceptDrops(enabled);
}

void MainWindow::ShowPages() {
    const ReportLists& l = a_->Lists;
    pages_->ShowLists(l, a_->Options.ShowRawLog);
    frameReport_->ShowErrorsLink(l.ErrorsLabelVisible);
    windows_->RefreshProcessLog();
}

void MainWindow::OptionsChanged(bool inputsChanged) {
    steps_->RefreshHelpText();
    UpdateRawLog();
    if (inputsChanged) MarkOutOfDate(false);
}

void MainWindow::ClearPagesAfterFailure(const QString& message) {
    // What the failed work left is incomplete: empty tables and pages, the window usable.
    try {
        a_->ClearAllData();
    } catch (const std::bad_alloc&) {
    }
    // Nothing is shown any more, so "Show Report" runs the analysis again.
    a_->Lists.State.Shown = false;
    a_->Lists.State.OutOfDate = true;
    ShowUpdate(false);
    CurrentPrompter().Message(this, MessageIcon::Critical, MessageTitle, message);
}

bool MainWindow::FilterValuesOk() {
    // Read even with the country report off: the filter counts no country hits.
    if (filter_->UsesCountry() && !a_->Reference.CountriesLoaded)
        LoadCountryDataShown(a_->Reference, *host_, dataFolder_.empty() ? FindDataFolder() : dataFolder_);
    return filter_->ValuesOk(a_->Reference);
}

void MainWindow::StartAnalysis(const QString& before, const QString& after) {
    if (Busy() || terminating_) return;
    // A filter value that does not read stops the run before it starts.
    if (!FilterValuesOk()) {
        TaskClick("filter");
        return;
    }
    filter_->ReadInto(a_->Filters, a_->Reference);
    filter_->PushRecentValues(recent_, a_->Options.MaxRecentFilters);
    // The filters in force are those the run starts with: the site keeps them for next time.
    if (SiteProfile* site = SelectedProfile()) {
        site->Filters.clear();
        for (const FilterDescription& d : DescribeFilters(a_->Filters)) site->Filters.push_back({d.Field, d.Op, d.Value});
    }
    const RunRequest request = BuildRunRequest(LogFiles(), SelectedProfile(), recent_, a_->Options, *host_);
    if (!before.isEmpty()) SetStatus(before);
    // The pages are blank while the run reads; so is the summary, but for what is read.
    pages_->Summary()->SetSummary("Loading log file...");
    guard_->Start(request, after);
}

void MainWindow::AnalysisFinished(const AnalysisOutcome& w) {
    if (w.OutOfMemory || !w.Error.empty()) {
        // The run knows which file it was reading; the list's last one may not be it.
        const QString message = w.OutOfMemory ? Q(NotEnoughMemoryText(*a_))
                                              : QString("The analysis stopped: %1").arg(Q(w.Error));
        ClearPagesAfterFailure(message);
        SetStatus(w.OutOfMemory ? "Not enough memory" : "Analysis failed");
    } else {
        saveEnabled_ = compareEnabled_ = true;
    }
    const bool ok = !w.OutOfMemory && w.Error.empty();
    if (ok && !w.Result.LastFileCancelled) {
        auto day = [](const std::string& iso) { return QDate::fromString(Q(iso.substr(0, 10)), Qt::ISODate); };
        filter_->SetLogDates(day(a_->Tables.FirstDateTime), day(a_->Tables.LastDateTime));
    }
    guard_->End();
    ShowUpdate(w.Result.LastFileCancelled);
    FillRecentCombos(false);
    if (ok && w.Result.FilesCancelled > 0) {
        // Cancel ends the file being read; the run goes on with the next one.
        SetStatus(w.Result.LastFileCancelled
                      ? QString("Loading cancelled; the report is empty.")
                      : QString("Loading of %1 cancelled; the report shows what was read.")
                            .arg(QFileInfo(Q(w.Result.CancelledFile)).fileName()));
    } else if (!w.StatusAfter.isEmpty() && ok && !host_->HasHeldMessages()) {
        SetStatus(w.StatusAfter);
    }
    guard_->Finish();
    host_->ShowHeldMessages();
    if (ok && !closing_)
        TellIncompleteInputs(a_->Tables.IncompleteInputs, this, [this](const QString& t) { SetStatus(t); });
}

void MainWindow::CancelWork() {
    // A transfer stops through the panel's own Cancel, which also closes the connection.
    if (guard_->Transferring()) ftp_->Cancel();
    else guard_->Cancel();
}

void MainWindow::WaitForWork() { guard_->Wait(); }

bool MainWindow::RunGuarded(const QString& what, const std::function<void()>& work) {
    return guard_->RunGuarded(what, work);
}

void MainWindow::LoadReport(const QString& path, bool compare) {
    if (Busy()) return;
    const bool ok = guard_->LoadReport(path, compare);
    if (a_->Lists.State.Shown) compareEnabled_ = true;
    guard_->End();
    if (a_->Lists.State.Shown) {
        steps_->Level(3);
        pane_->Highlight("report");
        ShowPanel(frameReport_);
        ShowUpdate(false);
    }
    if (ok && compare) {
        // The report shown stays what it was; it now carries the other one's figures.
        const QString shown = captionSubject_.isEmpty() ? QString("Report") : captionSubject_;
        UpdateCaption(shown + " compared with " + QFileInfo(path).fileName());
        captionSubject_ = shown;
    } else if (ok) {
        UpdateCaption(QFileInfo(path).fileName());
    }
    guard_->Finish();
}

bool MainWindow::SaveReport(const QString& path) {
    if (Busy()) return false;
    const bool ok = reportFiles_->SaveReport(path, LogFiles());
    if (ok) UpdateCaption(QFileInfo(path).fileName());
    return ok;
}

void MainWindow::LoadReportDialog(bool compare) {
    if (Busy()) return;
    const QString path = reportFiles_->AskLoadPath(compare);
    if (!path.isEmpty()) LoadReport(path, compare);
}

void MainWindow::SaveReportDialog() {
    if (Busy() || !menus_->FileSave->isEnabled()) return;
    const QString path = reportFiles_->AskSavePath();
    if (!path.isEmpty()) SaveReport(path);
}

ReportListView* MainWindow::ListOnScreen() const {
    if (panels_->currentWidget() != frameReport_) return nullptr;
    return pages_->ListOnScreen();
}

void MainWindow::ExportCsvDialog(ReportListView* view) {
    if (Busy() || !menus_->FileExportCsv->isEnabled()) return;
    reportFiles_->ExportCsvDialog(view ? view : ListOnScreen());
}

void MainWindow::ExportHtmlDialog() {
    if (Busy() || !menus_->FileExportHtml->isEnabled()) return;
    reportFiles_->ExportHtmlDialog(sites_->CurrentSiteName());
}

// ---------------------------------------------------------------------------------------------
// Commands

void MainWindow::SearchRawLog() {
    if (!Busy()) pages_->RawLog()->Search();
}

void MainWindow::ListContextMenu(int listNum, int row, const QPoint& pos) {
    if (Busy()) return;
    ReportListView* view = pages_->View(listNum);
    const QList<QAction*> own = listNum == lstFiles && row >= 0 ? menus_->Context->actions() : QList<QAction*>();
    RowFilterItems filters;
    const std::string field = FilterFieldOfList(listNum);
    filters.Shown = !field.empty();
    // One row that names a value, and logs to read again. The addresses a site anonymises are
    // not those the filter sees.
    filters.Enabled = filters.Shown && row >= 0 && view->SelectedRows().size() == 1 && view->List() &&
                      files_->Count() > 0 && !FilterValueOfRow(*view->List(), listNum, row, a_->Reference).empty() &&
                      !(field == "address" && a_->CurrentProfile.Anonymise != "none");
    filters.Choose = [this, listNum, row](bool keep) { FilterByRow(listNum, row, keep); };
    FillListMenu(*menus_->List, *view, own, menus_->FileExportCsv->isEnabled(), [this, view] { ExportCsvDialog(view); },
                 filters);
    menus_->List->popup(pos);
}

void MainWindow::FilterByRow(int listNum, int row, bool keep) {
    if (Busy()) return;
    const ReportList* list = a_->Lists.ListNumber(listNum);
    if (!list) return;
    const std::string value = FilterValueOfRow(*list, listNum, row, a_->Reference);
    if (value.empty()) return;
    if (!filter_->SetFilter(RowFilterDescription(FilterFieldOfList(listNum), value, keep))) return;
    MarkOutOfDate(true);
    TaskClick("update");
}

void MainWindow::ShowSiteFilters() {
    std::vector<FilterDescription> kept;
    if (const SiteProfile* site = SelectedProfile())
        for (const SiteFilter& f : site->Filters) kept.push_back({f.Field, f.Op, f.Value});
    // Choosing the site again keeps what the user set meanwhile.
    if (filter_->Ticked() == kept) return;
    filter_->SetFilters(kept);
    if (a_->Lists.State.Shown) MarkOutOfDate(true);
}

void MainWindow::OnOptions() {
    if (Busy()) return;
    // Switching the country report on for the first time reads the country data: a few
    // seconds on a slow disk, so the splash window says what is going on.
    auto loadCountries = [this] {
        const QString status = Status();
        const bool ok = LoadCountryDataShown(a_->Reference, *host_, dataFolder_.empty() ? FindDataFolder() : dataFolder_);
        SetStatus(status);
        return ok;
    };
    OptionsOutcome out;
    RunOptionsDialog(*a_, store_, recent_, this, out, loadCountries);
    if (out.Confirmed) FillRecentCombos(false);   // the recent lists may have been shortened
    if (out.RefreshHelpText) steps_->RefreshHelpText();
    if (out.RefreshRawLog) UpdateRawLog();
    if (out.ReportOutOfDate) MarkOutOfDate(false);
}

void MainWindow::OnFtp() {
    if (Busy()) return;
    ftp_->Open();
    ShowPanel(ftp_);
    steps_->ShowStepHelp("ftp");
}

void MainWindow::TransferBusy(bool busy) {
    if (guard_->Transferring() == busy) return;
    guard_->SetTransferring(busy);
    // The panel itself stays usable (its Cancel above all); everything else waits.
    SetCommandsEnabled(!busy);
    if (busy) return;
    SaveProfilesNow();   // the account connected to is remembered in the profile
    if (a_->Lists.State.Shown) LogButtonsEnabled(true);
    const FtpFrame::Next next = ftp_->TakeNext();
    if (terminating_) return;
    if (closing_) {
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (next == FtpFrame::Next::LogFiles) TaskClick("logfiles");
    if (next == FtpFrame::Next::Process) TaskClick(a_->Lists.State.Shown ? "update" : "report");
}

// ---------------------------------------------------------------------------------------------
// Settings, closing, drops, screenshots

void MainWindow::SaveSettings() {
    if (!saveOnExit_) return;
    SaveWindowPlacement(*this, store_);
    pages_->SaveDisplay(store_);
    if (!guard_->Working()) {
        if (a_->Lists.State.Shown) SaveSortSettings(a_->Lists, a_->Store);
        pages_->StoreColumnWidths();
    }
    sites_->StoreColumnWidths(a_->Lists[lstSites]);
    SaveColumnWidths(a_->Lists, a_->Store);
    SaveProfilesNow();
}

void MainWindow::SaveProfilesNow() {
    // A profile made or changed survives a logout or a crash, not only a normal close.
    if (!saveOnExit_) return;
    SaveRecentAndProfiles(store_, a_->Options, recent_, profiles_);
    if (auto* qt = dynamic_cast<QtSettingsStore*>(&store_)) qt->Sync();
}

int MainWindow::Terminate(int signal) {
    const int status = 128 + signal;
    if (std::exchange(terminating_, true)) return status;
    // The cancelled work removes its own temporary files (an unfinished report or download)
    // as it unwinds; a run cancelled this way writes no automatic report.
    if (Busy()) {
        CancelWork();
        guard_->WaitWhileBusy(10000);
    }
    windows_->CloseAll();
    SaveSettings();
    return status;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (Busy()) {
        if (!closing_ &&
            !CurrentPrompter().YesNo(this, MessageIcon::Question, MessageTitle,
                                     "Trevix is still working. Do you want to cancel the work and close Trevix?",
                                     DefaultAnswer::No)) {
            event->ignore();
            return;
        }
        // Close again once the work has stopped.
        closing_ = true;
        CancelWork();
        event->ignore();
        return;
    }
    // They keep their placement and column widths.
    windows_->CloseAll();
    SaveSettings();
    event->accept();
}

void MainWindow::DropFiles(const QList<QUrl>& urls) {
    if (Busy()) return;
    const DroppedFiles dropped = SortDroppedFiles(urls);
    if (!dropped.Logs.isEmpty()) {
        AddLogFiles(dropped.Logs);
        TaskClick("logfiles");
    }
    if (!dropped.Report.isEmpty()) LoadReport(dropped.Report, false);
}

QStringList MainWindow::SaveScreenshots(const QString& folder) {
    ScreenshotTour tour(this, pages_, *a_, store_, screenshotServer_);
    connect(&tour, &ScreenshotTour::TaskWanted, this, &MainWindow::TaskClick);
    connect(&tour, &ScreenshotTour::ReportPanelWanted, this, [this] {
        pane_->Highlight("report");
        ShowPanel(frameReport_);
        steps_->ShowStepHelp("report");
    });
    connect(&tour, &ScreenshotTour::VisitorDetailsWanted, windows_, &ReportWindows::VisitorDetails);
    connect(&tour, &ScreenshotTour::ReferredToWanted, windows_, &ReportWindows::ReferredTo);
    connect(&tour, &ScreenshotTour::ConversionReportWanted, windows_, &ReportWindows::ShowConversionReport);
    connect(&tour, &ScreenshotTour::ProcessLogWanted, windows_, &ReportWindows::OpenProcessLog);
    connect(&tour, &ScreenshotTour::FtpWanted, this, &MainWindow::OnFtp);
    return tour.Run(folder);
}

} // namespace trevix::ui
