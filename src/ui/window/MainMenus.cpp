#include "window/MainMenus.h"

#include "common/ProgramInfo.h"
#include "common/Prompter.h"
#include "dialogs/AboutDialog.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

namespace trevix::ui {

MainMenus::MainMenus(QMainWindow* window) : QObject(window), window_(window) {
    QMenu* file = window->menuBar()->addMenu("&File");
    file->setObjectName("mnuFile");
    FileLoad = file->addAction("&Load Report...");
    FileLoad->setObjectName("mnuFileLoad");
    FileLoad->setShortcut(QKeySequence("Ctrl+L"));
    FileSave = file->addAction("&Save Report...");
    FileSave->setObjectName("mnuFileSave");
    FileSave->setShortcut(QKeySequence::Save);
    file->addSeparator();
    FileCompare = file->addAction("&Compare with Report...");
    FileCompare->setObjectName("mnuFileCompare");
    file->addSeparator();
    FileExportCsv = file->addAction("&Export List as CSV...");
    FileExportCsv->setObjectName("mnuFileExportCsv");
    FileExportHtml = file->addAction("Export &HTML Report...");
    FileExportHtml->setObjectName("mnuFileExportHtml");
    file->addSeparator();
    FileExit = file->addAction("E&xit", window, &QWidget::close);
    FileExit->setObjectName("mnuFileExit");
    FileExit->setShortcut(QKeySequence("Ctrl+Q"));

    QMenu* tools = window->menuBar()->addMenu("&Tools");
    tools->setObjectName("mnuTools");
    ToolsOptions = tools->addAction("&Options...");
    ToolsOptions->setObjectName("mnuToolsOptions");

    QMenu* help = window->menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    QAction* contents = help->addAction("Trevix &Help", this, &MainMenus::OpenHelp);
    contents->setObjectName("mnuHelpContents");
    contents->setShortcut(QKeySequence::HelpContents);
    QAction* web = help->addAction("Trevix on the &Web", this, [this] { OpenUrl(WebSiteUrl()); });
    web->setObjectName("mnuHelpWeb");
    web->setVisible(!WebSiteUrl().isEmpty());
    QAction* updates = help->addAction("Check for &Updates", this, [this] { OpenUrl(UpdateCheckUrl()); });
    updates->setObjectName("mnuHelpUpdates");
    updates->setVisible(!UpdateUrl().isEmpty());
    help->addSeparator();
    QAction* about = help->addAction("&About Trevix", this, [this] {
        AboutDialog dialog(window_);
        dialog.exec();
    });
    about->setObjectName("mnuHelpAbout");

    Context = new QMenu("Context", window);
    Context->setObjectName("mnuContext");
    ShowConversionReport = Context->addAction("Show &Conversion Report");
    List = new QMenu("List", window);
    List->setObjectName("mnuList");

    // Shortcuts of commands that live on panels rather than in menus.
    auto shortcut = [window](const QString& name, const QKeySequence& keys) {
        auto* a = new QAction(window);
        a->setObjectName(name);
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
        return a;
    };
    AddLogFiles = shortcut("actAddLogFiles", QKeySequence("Ctrl+O"));
    Update = shortcut("actUpdate", QKeySequence(Qt::Key_F5));
    Search = shortcut("actSearch", QKeySequence::Find);
    FindNext = shortcut("actFindNext", QKeySequence::FindNext);
    // Enabled only while work runs, so Esc still closes other windows otherwise.
    Cancel = shortcut("actCancel", QKeySequence(Qt::Key_Escape));
    // Nothing to save, compare or export before a report exists.
    SetCommandsEnabled(true, false, false, false);
}

void MainMenus::SetCommandsEnabled(bool enabled, bool save, bool compare, bool exports) {
    for (QAction* a : {FileLoad, ToolsOptions}) a->setEnabled(enabled);
    FileSave->setEnabled(enabled && save);
    FileCompare->setEnabled(enabled && compare);
    // The exports write what the pages show: nothing before a report is shown.
    FileExportCsv->setEnabled(enabled && exports);
    FileExportHtml->setEnabled(enabled && exports);
    Cancel->setEnabled(!enabled);
}

void MainMenus::OpenHelp() {
    const QString folder = ManualFolder();
    if (folder.isEmpty()) {
        CurrentPrompter().Message(window_, MessageIcon::Warning, "Trevix",
                                  "The user manual could not be found. It is installed with Trevix in the folder "
                                  "share/trevix/manual beside the program's bin folder.");
        return;
    }
    const QString index = QDir(folder).filePath("index.html");
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(index)))
        CurrentPrompter().Message(window_, MessageIcon::Warning, "Trevix",
                                  "The user manual " + index +
                                      " could not be opened: no web browser is set up to open it on this desktop.");
}

void MainMenus::OpenUrl(const QString& url) {
    const QUrl u(url);
    // Only web addresses go to the browser.
    if (u.scheme() != "http" && u.scheme() != "https") return;
    if (!QDesktopServices::openUrl(u))
        CurrentPrompter().Message(window_, MessageIcon::Warning, "Trevix",
                                  "The address " + url + " could not be opened: no web browser is set up.");
}

} // namespace trevix::ui
